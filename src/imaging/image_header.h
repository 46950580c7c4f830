// The pixel size an image file records in its header, read without decoding any pixel: what a
// load checks against the memory it has before it decodes anything.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "core/image_service.h"

namespace kino {

// Reads up to `size` bytes at `offset` into `into`; returns how many it read (fewer at the end).
using ReadAt = std::function<std::size_t(std::uint64_t offset, std::uint8_t* into, std::size_t size)>;

// The size recorded by a PNG, JPEG, BMP or GIF file, told by its signature (not its name);
// nothing for any other or a damaged header.
std::optional<ImageSize> ReadImageSize(const ReadAt& read);

// Where the rows of an uncompressed 24-bit bitmap file lie: rows the program copies straight
// from the file, reading only those it keeps.
struct BmpRows {
    ImageSize size;
    bool topDown = false;
    std::uint64_t pixelOffset = 0;  // of the first row stored
    std::uint32_t stride = 0;       // bytes from one stored row to the next

    std::uint64_t RowOffset(std::uint32_t y) const {
        return pixelOffset + std::uint64_t{topDown ? y : size.height - 1 - y} * stride;
    }
};

// Nothing for any other kind of bitmap (palettes, bit fields, 32-bit, compressed, the old core
// header) or a damaged header: those are left to the system's decoders.
std::optional<BmpRows> ReadBmpRows(const ReadAt& read);

}  // namespace kino
