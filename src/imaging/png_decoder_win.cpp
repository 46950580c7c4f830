#include <optional>

#include "imaging/frame_decoder_win.h"
#include "imaging/gdiplus_bitmap_win.h"
#include "imaging/library_decoders_win.h"
#include "imaging/pixel_rows.h"
#include "imaging/png_reader.h"

namespace kino {

using namespace gdip;

namespace {

std::uint32_t* PixelRow(const LockedPixels& pixels, std::uint32_t y) {
    return reinterpret_cast<std::uint32_t*>(pixels.Row(static_cast<INT>(y)));
}

}  // namespace

GpBitmap* DecodePng(FrameFileReader& file, ImageSize limit) {
    PngReader reader;
    if (!reader.Open([&file](std::uint8_t* into, std::size_t size) { return file.Read(into, size); })) return nullptr;
    // Only the top-left part the box can show: libspng stops after its last row.
    const ImageSize part = HeldPart({reader.Width(), reader.Height()}, limit);
    if (!BitmapSizeFits(part.width, part.height)) return nullptr;
    const INT w = static_cast<INT>(part.width), h = static_cast<INT>(part.height);
    UniqueGpImage bitmap(NewBitmap(w, h, PixelFormat32bppRGB));
    if (!bitmap) return nullptr;
    UniqueGpImage premultiplied;
    {
        const LockedPixels decoded(bitmap.get(), w, h, ImageLockModeWrite, PixelFormat32bppRGB);
        if (!decoded.Locked()) return nullptr;
        const std::optional<bool> opaque = reader.DecodeTopLeft(
            part.width, part.height, [&decoded](std::uint32_t y) { return PixelRow(decoded, y); });
        if (!opaque) return nullptr;
        if (!*opaque) {
            // Some pixel lets the background through: premultiplied, the layout GDI+ blends fastest.
            premultiplied.reset(NewBitmap(w, h, PixelFormat32bppPARGB));
            if (!premultiplied) return nullptr;
            const LockedPixels target(premultiplied.get(), w, h, ImageLockModeWrite, PixelFormat32bppPARGB);
            if (!target.Locked()) return nullptr;
            for (std::uint32_t y = 0; y < part.height; ++y)
                PremultiplyRow(PixelRow(decoded, y), PixelRow(target, y), part.width);
        }
    }
    return static_cast<GpBitmap*>((premultiplied ? premultiplied : bitmap).release());
}

}  // namespace kino
