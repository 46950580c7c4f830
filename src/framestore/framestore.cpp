#include "framestore/framestore.h"

namespace kino {

bool TypeAcceptsExtension(std::int32_t typeIndex, TextView extension) {
    switch (typeIndex) {
        case 0: return extension == u"jpg" || extension == u"jpeg";
        case 1: return extension == u"bmp";
        case 2: return extension == u"png";
        default: return false;
    }
}

void ShowFrame(DrawingSurface& surface, const OwnedImage& frame, std::int32_t x, std::int32_t y,
               ImageService& images) {
    if (frame.get() != 0) images.DrawImage(surface, frame.get(), x, y);
}

void ReleaseFrameImages(FrameArray& frames) {
    FrameArray().swap(frames);  // disposes every image and frees the storage; can't throw
}

}  // namespace kino
