// The decoders one loading thread uses, in turn: libjpeg-turbo and libspng for JPEG and PNG files
// (when the build links them in), then WIC for what they leave. Null leaves the file to GDI+.
#pragma once
#include <cstdint>
#include <vector>

#include "imaging/gdiplus_api_win.h"
#include "imaging/wic_decoder_win.h"
#ifdef KINO_DECODER_LIBS
#include "imaging/library_decoders_win.h"
#endif

namespace kino {

class FrameDecoder {
public:
    // With a control, a stopped load ends a WIC decode between two bands of rows.
    explicit FrameDecoder(const DecodeControl* control = nullptr) : wic_(control) {}
    gdip::GpBitmap* Decode(const wchar_t* path);
    bool Stopped() const { return wic_.Stopped(); }

private:
#ifdef KINO_DECODER_LIBS
    gdip::GpBitmap* DecodeWithLibraries(const wchar_t* path);

    JpegFrameDecoder jpeg_;
    std::vector<std::uint8_t> file_;  // the file's bytes, reused from frame to frame
#endif
    WicFrameDecoder wic_;
};

}  // namespace kino
