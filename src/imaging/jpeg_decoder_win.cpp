#include "imaging/frame_decoder_win.h"
#include "imaging/gdiplus_bitmap_win.h"
#include "imaging/jpeg_reader.h"
#include "imaging/library_decoders_win.h"

namespace kino {

using namespace gdip;

JpegFrameDecoder::JpegFrameDecoder() : reader_(kino_jpeg_new()) {}

JpegFrameDecoder::~JpegFrameDecoder() { kino_jpeg_free(reader_); }

GpBitmap* JpegFrameDecoder::Decode(FrameFileReader& file, ImageSize limit) {
    const KinoJpegRead read = [](void* user, unsigned char* into, std::size_t size) {
        return static_cast<FrameFileReader*>(user)->Read(into, size);
    };
    unsigned width = 0, height = 0;
    if (!reader_ || !kino_jpeg_start(reader_, read, &file, &width, &height)) return nullptr;
    struct End {
        KinoJpegReader* reader;
        ~End() { kino_jpeg_end(reader); }
    } end{reader_};
    const ImageSize held = HeldPart({width, height}, limit);
    if (!BitmapSizeFits(held.width, held.height)) return nullptr;
    const INT w = static_cast<INT>(held.width), h = static_cast<INT>(held.height);
    UniqueGpImage bitmap(NewBitmap(w, h, PixelFormat32bppRGB));
    if (!bitmap) return nullptr;
    {
        const LockedPixels target(bitmap.get(), w, h, ImageLockModeWrite, PixelFormat32bppRGB);
        if (!target.Locked() || !kino_jpeg_read(reader_, held.width, held.height, target.Row(0), target.Data().Stride))
            return nullptr;
    }
    return static_cast<GpBitmap*>(bitmap.release());
}

}  // namespace kino
