// The decoders one loading thread uses, in turn, for the top-left part of a frame that the
// picture box can show: libjpeg-turbo and libspng for JPEG and PNG files (when the build links
// them in), the program's own reader for plain 24-bit bitmap files, then WIC for what they
// leave. Null leaves the file to GDI+.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "base/handles_win.h"
#include "imaging/gdiplus_api_win.h"
#include "imaging/wic_decoder_win.h"
#ifdef KINO_DECODER_LIBS
#include "imaging/library_decoders_win.h"
#endif

namespace kino {

// A frame file open for one decode, read in order or by offset: nothing locks it for others (it
// may be renamed or deleted meanwhile) and it is closed with the object.
class FrameFileReader {
public:
    explicit FrameFileReader(const wchar_t* path);
    explicit operator bool() const { return static_cast<bool>(handle_); }
    // Reads up to size bytes at offset; how many it read (fewer at the end or on an error).
    std::size_t ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t size) const;
    // The same, in order from the start of the file. Never throws.
    std::size_t Read(std::uint8_t* into, std::size_t size);
    // Read starts again from the file's start; what it has read ahead is handed out again.
    void Rewind();

private:
    bool ReserveAhead(std::size_t bytes) noexcept;

    UniqueHandle handle_;
    std::uint64_t position_ = 0;     // of the next byte not yet in ahead_
    std::vector<std::uint8_t> ahead_;  // bytes read ahead for Read
    std::size_t aheadAt_ = 0;          // the next of them to hand out
};

// A plain 24-bit bitmap file's kept rows, read and widened straight into a bitmap of their own;
// null for any other kind of bitmap.
gdip::GpBitmap* DecodeBmp(const FrameFileReader& file, ImageSize limit, const DecodeControl* control);

class FrameDecoder {
public:
    // With a control, a stopped load ends a decode between two bands of rows.
    explicit FrameDecoder(const DecodeControl* control = nullptr) : control_(control), wic_(control) {}
    // The top-left part of the file's image, at most limit, as a bitmap of its own.
    gdip::GpBitmap* Decode(const wchar_t* path, ImageSize limit);
    bool Stopped() const { return wic_.Stopped(); }

private:
    const DecodeControl* control_;
#ifdef KINO_DECODER_LIBS
    JpegFrameDecoder jpeg_;
#endif
    WicFrameDecoder wic_;
};

}  // namespace kino
