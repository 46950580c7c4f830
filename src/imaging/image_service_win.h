// The image service over GDI+: parallel decoding, disposal and drawing.
#pragma once
#include <windows.h>

#include "core/image_service.h"

namespace kino {

class GdiplusImageService final : public ImageService {
public:
    // owner: the window that owns the boxes of drawing errors.
    explicit GdiplusImageService(HWND owner = nullptr) : owner_(owner) {}
    // Decodes on every core: each worker takes the next unclaimed path and makes its own images;
    // result[i] belongs to paths[i] whatever order the workers finish in.
    std::vector<OwnedImage> DecodeImages(const std::vector<Text>& paths, ImageSize limit,
                                       DecodeControl& control) override;
    std::optional<ImageSize> ReadImageSize(TextView path) override;
    // What the address space, the commit limit and the free physical memory leave.
    std::uint64_t RoomForImages() override;
    void DisposeImage(ImageRef image) override;
    void DrawImage(DrawingSurface& surface, ImageRef image, std::int32_t x, std::int32_t y) override;

private:
    HWND owner_;
};

}  // namespace kino
