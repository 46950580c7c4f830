// The frame store: decoded frame images of one animation, one per frame number.
#pragma once
#include <cstdint>
#include <vector>

#include "core/platform.h"

namespace kino {

// The window's frame list: one image per frame number of the range, in number order; empty
// where the file failed to decode.
using FrameArray = std::vector<OwnedImage>;

// True when extension (already lower-cased) is one the type index accepts:
// 0 jpg/jpeg, 1 bmp, 2 png, anything else none.
bool TypeAcceptsExtension(std::int32_t typeIndex, TextView extension);

// Draws the frame's image with its top-left corner at (x, y); nothing when its file failed to
// decode (image 0).
void ShowFrame(DrawingSurface& surface, const OwnedImage& frame, std::int32_t x, std::int32_t y,
               ImageService& images);

// Disposes every image, in order, and empties the list.
void ReleaseFrameImages(FrameArray& frames);

}  // namespace kino
