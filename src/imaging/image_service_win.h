// The image service over GDI+: parallel decoding, disposal and zoomed drawing.
#pragma once
#include "imaging/image_service.h"

namespace kino {

class GdiplusImageService final : public ImageService {
public:
    // Decodes on every core: each worker takes the next unclaimed path and makes its own images;
    // result[i] belongs to paths[i] whatever order the workers finish in.
    std::vector<ImageRef> LoadImages(const std::vector<Text>& paths) override;
    void DisposeImage(ImageRef image) override;
    void DrawImageZoomed(DrawingSurface& surface, ImageRef image, std::int32_t x, std::int32_t y,
                         float zoom) override;
};

}  // namespace kino
