// Small helpers for GDI+ bitmaps of the program's own: making one, locking its pixels for a
// scope, and the sizes it can hold.
#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>

#include "base/handles_win.h"
#include "imaging/frame_memory.h"
#include "imaging/gdiplus_api_win.h"

namespace kino {

namespace detail {
inline void DisposeGdipImage(gdip::GpImage* image) { gdip::GdipDisposeImage(image); }
}  // namespace detail

using UniqueGpImage = UniqueAny<gdip::GpImage*, detail::DisposeGdipImage>;

// The sizes the program decodes: what a frame may have (the memory check counts the others 0).
inline bool BitmapSizeFits(UINT width, UINT height) { return FrameBytes({width, height}) != 0; }

namespace detail {
inline thread_local bool t_bitmapAllocationFailed = false;
}  // namespace detail

// True when a bitmap could not be allocated on this thread since the last call: the process is
// short of memory (the sizes asked for are checked before), which no decoder fallback mends.
inline bool TakeBitmapAllocationFailure() { return std::exchange(detail::t_bitmapAllocationFailed, false); }
inline void NoteBitmapAllocationFailure() { detail::t_bitmapAllocationFailed = true; }

inline gdip::GpBitmap* NewBitmap(INT width, INT height, gdip::PixelFormat format) {
    gdip::GpBitmap* bitmap = nullptr;
    const gdip::GpStatus status = gdip::GdipCreateBitmapFromScan0(width, height, 0, format, nullptr, &bitmap);
    if (status == gdip::OutOfMemory) NoteBitmapAllocationFailure();
    return status == gdip::Ok ? bitmap : nullptr;
}

// The pixels of a bitmap locked for one scope. With a user buffer, GDI+ reads the bitmap's
// pixels into that buffer in the asked format.
class LockedPixels {
public:
    LockedPixels(gdip::GpImage* image, INT width, INT height, UINT mode, gdip::PixelFormat format,
                 const gdip::BitmapData* userBuffer = nullptr)
        : bitmap_(static_cast<gdip::GpBitmap*>(image)) {
        const gdip::GpRect all{0, 0, width, height};
        if (userBuffer) data_ = *userBuffer;
        locked_ = gdip::GdipBitmapLockBits(bitmap_, &all, mode | (userBuffer ? gdip::ImageLockModeUserInputBuf : 0),
                                           format, &data_) == gdip::Ok;
    }
    ~LockedPixels() {
        if (locked_) gdip::GdipBitmapUnlockBits(bitmap_, &data_);
    }
    LockedPixels(const LockedPixels&) = delete;
    LockedPixels& operator=(const LockedPixels&) = delete;

    bool Locked() const { return locked_; }
    const gdip::BitmapData& Data() const { return data_; }
    BYTE* Row(INT y) const { return static_cast<BYTE*>(data_.Scan0) + static_cast<std::ptrdiff_t>(y) * data_.Stride; }

private:
    gdip::GpBitmap* bitmap_;
    gdip::BitmapData data_{};
    bool locked_ = false;
};

}  // namespace kino
