// The imaging service as the frame store and the frame clock see it: decode, dispose, draw.
#pragma once
#include <cstdint>
#include <vector>

#include "core/text.h"

namespace kino {

// A decoded image held as an integer (its object pointer); 0 = no image.
using ImageRef = std::uintptr_t;

// A picture box seen as a drawing surface. Each member answers false when the surface
// lacks it or refuses the access; the drawing routine turns that into its error box.
struct DrawingSurface {
    virtual ~DrawingSurface() = default;
    virtual bool GetAutoRedraw(bool& value) = 0;
    virtual bool SetAutoRedraw(bool value) = 0;
    virtual bool GetHdc(std::intptr_t& hdc) = 0;
    virtual bool Refresh() = 0;
};

struct ImageService {
    virtual ~ImageService() = default;
    // Decodes every path; result[i] belongs to paths[i] and is 0 when that file could not be
    // opened or decoded. The caller owns the images. May decode on several threads.
    virtual std::vector<ImageRef> LoadImages(const std::vector<Text>& paths) = 0;
    virtual void DisposeImage(ImageRef image) = 0;
    // Draws image unscaled with its top-left corner at (x, y); reports its own failures.
    virtual void DrawImage(DrawingSurface& surface, ImageRef image, std::int32_t x, std::int32_t y) = 0;
};

}  // namespace kino
