// How much memory decoded frames take, and how much this process can still give them.
#pragma once
#include <cstdint>

#include "imaging/image_header.h"

namespace kino {

// The largest decoded frame the program makes (W x H x 4 bytes): GDI+ measures a bitmap's
// rows and sizes in 32-bit integers, and the decoders refuse anything bigger.
inline constexpr std::uint64_t kMaxFrameBytes = 0x7FFFFFFF;

// W x H x 4, or 0 for a size no frame may have (such a file fails to decode).
std::uint64_t FrameBytes(ImageSize size);

// The system's memory figures, in bytes, as this process sees them.
struct SystemMemory {
    std::uint64_t freeAddressSpace;   // this process's unreserved address space
    std::uint64_t availablePhysical;
    std::uint64_t totalPhysical;
    std::uint64_t availableCommit;    // what may still be committed, page file included
};

// What frames may still take: no more than the address space and the commit limit allow, nor
// much beyond the free physical memory (an eighth of it all, which the system finds by paging
// idle programs out), past which playing would thrash.
std::uint64_t RoomForFrames(const SystemMemory& memory);

}  // namespace kino
