#include "imaging/frame_memory.h"

#include <algorithm>

namespace kino {

std::uint64_t FrameBytes(ImageSize size) {
    // Two 32-bit sides multiply without wrapping in 64 bits, but times 4 they may not: compare
    // the pixel count first.
    const std::uint64_t pixels = std::uint64_t{size.width} * size.height;
    return pixels <= kMaxFrameBytes / 4 ? pixels * 4 : 0;
}

std::uint64_t RoomForFrames(const SystemMemory& memory) {
    return std::min({memory.freeAddressSpace, memory.availableCommit,
                     memory.availablePhysical + memory.totalPhysical / 8});
}

}  // namespace kino
