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

}  // namespace kino
