#include <spng.h>

#include <memory>
#include <optional>

#include "imaging/gdiplus_bitmap_win.h"
#include "imaging/library_decoders_win.h"
#include "imaging/pixel_rows.h"

namespace kino {

using namespace gdip;

namespace {

constexpr std::uint32_t kUsualGamma = 45455;  // 1/2.2, as the gAMA chunk records it

std::uint32_t* PixelRow(const LockedPixels& pixels, std::uint32_t y) {
    return reinterpret_cast<std::uint32_t*>(pixels.Row(static_cast<INT>(y)));
}

// Decodes every row as RGBA into rows (left in place for interlaced images, whose rows come
// back pass after pass), turns them into BGRA and tells whether all are opaque; nothing on an error.
std::optional<bool> DecodeRows(spng_ctx* ctx, const spng_ihdr& header, const LockedPixels& rows) {
    const std::size_t rowBytes = std::size_t{header.width} * 4;
    const bool interlaced = header.interlace_method != SPNG_INTERLACE_NONE;
    bool opaque = true;
    spng_row_info row{};
    int status = 0;
    while (status == 0) {
        if (spng_get_row_info(ctx, &row) != 0) return std::nullopt;
        std::uint32_t* pixels = PixelRow(rows, row.row_num);
        status = spng_decode_row(ctx, pixels, rowBytes);
        if (status != 0 && status != SPNG_EOI) return std::nullopt;
        if (!interlaced) opaque &= RgbaToBgraRow(pixels, header.width);
    }
    // The rest of the file: the last image chunk's checksum is only checked here.
    if (spng_decode_chunks(ctx) != 0) return std::nullopt;
    if (interlaced) {
        for (std::uint32_t y = 0; y < header.height; ++y) opaque &= RgbaToBgraRow(PixelRow(rows, y), header.width);
    }
    return opaque;
}

}  // namespace

GpBitmap* DecodePng(const std::uint8_t* data, std::size_t size, ImageSize limit) {
    const std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> owned(spng_ctx_new(0), spng_ctx_free);
    spng_ctx* const ctx = owned.get();
    spng_ihdr header{};
    if (!ctx || spng_set_png_buffer(ctx, data, size) != 0 || spng_get_ihdr(ctx, &header) != 0) return nullptr;
    std::uint32_t gamma = 0;
    if (header.bit_depth > 8 || (spng_get_gama_int(ctx, &gamma) == 0 && gamma != kUsualGamma)) return nullptr;
    if (!BitmapSizeFits(header.width, header.height)) return nullptr;
    if (HeldPart({header.width, header.height}, limit) != ImageSize{header.width, header.height}) return nullptr;
    if (spng_decode_image(ctx, nullptr, 0, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE) != 0) {
        return nullptr;
    }
    const INT w = static_cast<INT>(header.width), h = static_cast<INT>(header.height);
    UniqueGpImage bitmap(NewBitmap(w, h, PixelFormat32bppRGB));
    if (!bitmap) return nullptr;
    UniqueGpImage premultiplied;
    {
        const LockedPixels decoded(bitmap.get(), w, h, ImageLockModeWrite, PixelFormat32bppRGB);
        if (!decoded.Locked()) return nullptr;
        const std::optional<bool> opaque = DecodeRows(ctx, header, decoded);
        if (!opaque) return nullptr;
        if (!*opaque) {
            // Some pixel lets the background through: premultiplied, the layout GDI+ blends fastest.
            premultiplied.reset(NewBitmap(w, h, PixelFormat32bppPARGB));
            if (!premultiplied) return nullptr;
            const LockedPixels target(premultiplied.get(), w, h, ImageLockModeWrite, PixelFormat32bppPARGB);
            if (!target.Locked()) return nullptr;
            for (std::uint32_t y = 0; y < header.height; ++y) {
                PremultiplyRow(PixelRow(decoded, y), PixelRow(target, y), header.width);
            }
        }
    }
    return static_cast<GpBitmap*>((premultiplied ? premultiplied : bitmap).release());
}

}  // namespace kino
