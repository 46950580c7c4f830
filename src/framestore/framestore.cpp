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

void ShowFrameByName(DrawingSurface& surface, const FrameArray& frames, TextView frameKey, std::int32_t x,
                     std::int32_t y, ImageService& images) {
    for (const FrameImage& frame : frames) {
        if (frame.key != frameKey) continue;
        // The first equal key decides, even when its file failed to decode.
        if (frame.image.get() != 0) images.DrawImage(surface, frame.image.get(), x, y);
        return;
    }
}

void ReleaseFrameImages(FrameArray& frames) {
    FrameArray().swap(frames);  // disposes every image, frees the keys and the storage; can't throw
}

}  // namespace kino
