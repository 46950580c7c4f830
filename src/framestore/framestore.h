// The frame store: decoded frame images of one animation, one per frame number, each named by its file.
#pragma once
#include <cstdint>
#include <vector>

#include "core/platform.h"

namespace kino {

struct FrameImage {
    OwnedImage image;  // empty when the file failed to decode
    Text key;          // the prefix's folder part and the file name, without its extension
};

// The window's frame list: one element per frame number of the range, in number order.
using FrameArray = std::vector<FrameImage>;

// True when extension (already lower-cased) is one the type index accepts:
// 0 jpg/jpeg, 1 bmp, 2 png, anything else none.
bool TypeAcceptsExtension(std::int32_t typeIndex, TextView extension);

// The files a load takes: elements with their keys and images still 0, and the path of each.
struct FrameFiles {
    FrameArray frames;
    std::vector<Text> paths;
};

// Draws the frame's image with its top-left corner at (x, y); nothing when its file failed to
// decode (image 0).
void ShowFrame(DrawingSurface& surface, const FrameImage& frame, std::int32_t x, std::int32_t y,
               ImageService& images);

// Disposes every image, in order, and empties the list.
void ReleaseFrameImages(FrameArray& frames);

}  // namespace kino
