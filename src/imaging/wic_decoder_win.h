// JPEG, PNG and BMP frames decoded with the Windows Imaging Component straight into a GDI+
// bitmap of their own. Loading with GDI+ and then copying holds every frame's pixels three times
// over while it loads (the decoder's, the GDI+ image's, the copy) and each time in freshly
// allocated memory; this way they are held twice, and the file is closed before the call returns.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "base/handles_win.h"
#include "core/image_service.h"
#include "imaging/gdiplus_api_win.h"

struct IWICImagingFactory;

namespace kino {

// True once the load is cancelled or out of memory: decoding stops.
inline bool LoadStopped(const DecodeControl* control) {
    return control && (control->cancel || control->outOfMemory);
}

// One per thread, for as long as it decodes: at the first file it decodes, it joins the thread to
// COM (when the thread has not joined already), and leaves again when destroyed. A load that never
// needs it never pays for COM.
class WicFrameDecoder {
public:
    // With a control, a decode stops between two bands of rows once the load has stopped.
    explicit WicFrameDecoder(const DecodeControl* control = nullptr);
    ~WicFrameDecoder();  // where the factory's type is complete
    WicFrameDecoder(const WicFrameDecoder&) = delete;
    WicFrameDecoder& operator=(const WicFrameDecoder&) = delete;

    // The top-left part (at most limit) of the file's first frame as a bitmap of its own: 32bpp
    // RGB when every pixel is opaque, else 32bpp premultiplied ARGB. Null when the file is left to
    // GDI+: any other kind of file, a pixel layout whose conversion GDI+ may do differently (deeper
    // than 8 bits per channel, CMYK, a bitmap file's 32-bit pixels), or any failure at all.
    gdip::GpBitmap* Decode(const wchar_t* path, ImageSize limit);
    bool Stopped() const { return LoadStopped(control_); }

private:
    IWICImagingFactory* Factory();

    const DecodeControl* control_;
    std::optional<ComScope> com_;  // first in, last out: the factory goes before it
    UniqueCom<IWICImagingFactory> factory_;
    std::vector<std::uint8_t> rows_;  // a band of decoded rows, reused from frame to frame
};

}  // namespace kino
