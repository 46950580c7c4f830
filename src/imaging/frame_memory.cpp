#include "imaging/frame_memory.h"

#include <algorithm>

namespace kino {

std::uint64_t FrameBytes(ImageSize size) {
    const std::uint64_t bytes = std::uint64_t{size.width} * size.height * 4;
    return bytes <= kMaxFrameBytes ? bytes : 0;
}

std::uint64_t RoomForFrames(const SystemMemory& memory) {
    return std::min({memory.freeAddressSpace, memory.availableCommit,
                     memory.availablePhysical + memory.totalPhysical / 8});
}

}  // namespace kino
