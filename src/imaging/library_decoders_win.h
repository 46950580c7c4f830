// JPEG and PNG frames decoded by libjpeg-turbo and libspng, from the file's bytes straight into
// a GDI+ bitmap of their own: 32bpp RGB when every pixel is opaque, else 32bpp premultiplied
// ARGB, the same pixels as the WIC path gives. Null for anything they leave to that path.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/image_service.h"
#include "imaging/gdiplus_api_win.h"

extern "C" {
typedef struct KinoJpegReader KinoJpegReader;
}

namespace kino {

class FrameFileReader;

// One per decoding thread: the JPEG decompressor is made once and reused for every file.
class JpegFrameDecoder {
public:
    JpegFrameDecoder();
    ~JpegFrameDecoder();
    JpegFrameDecoder(const JpegFrameDecoder&) = delete;
    JpegFrameDecoder& operator=(const JpegFrameDecoder&) = delete;

    // The top-left part, at most limit, read from the file no further than its rows need. Null
    // for a damaged file (any libjpeg warning counts) and for CMYK and YCCK images.
    gdip::GpBitmap* Decode(FrameFileReader& file, ImageSize limit);

private:
    KinoJpegReader* reader_;
};

// Null for a damaged file, for more than 8 bits per channel and for a recorded gamma other than
// the usual 1/2.2: GDI+ converts those its own way.
gdip::GpBitmap* DecodePng(FrameFileReader& file, ImageSize limit);

}  // namespace kino
