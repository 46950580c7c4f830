#include "imaging/png_reader.h"

#include <spng.h>

#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "imaging/pixel_rows.h"

namespace kino {

namespace {
constexpr std::uint32_t kUsualGamma = 45455;  // 1/2.2, as the gAMA chunk records it
constexpr std::uint32_t kMaxRowPixels = 1u << 24;   // 64 MB a row of 32-bit pixels
}  // namespace

PngReader::PngReader() = default;

PngReader::~PngReader() { spng_ctx_free(ctx_); }

bool PngReader::Open(ReadNext read) {
    Reset();
    read_ = std::move(read);
    // libspng asks for exactly `length` bytes at a time, in order.
    spng_rw_fn* const next = [](spng_ctx*, void* user, void* into, std::size_t length) -> int {
        return (*static_cast<ReadNext*>(user))(static_cast<std::uint8_t*>(into), length) == length ? 0 : SPNG_IO_EOF;
    };
    return ctx_ && spng_set_png_stream(ctx_, next, &read_) == 0 && Start();
}

void PngReader::Reset() {
    spng_ctx_free(ctx_);
    // Each image chunk's CRC already covers every byte of the compressed stream: its own Adler-32
    // would add time, not safety.
    ctx_ = spng_ctx_new(SPNG_CTX_IGNORE_ADLER32);
    width_ = height_ = 0;
    ready_ = false;
}

bool PngReader::Start() {
    spng_ihdr header{};
    if (spng_get_ihdr(ctx_, &header) != 0) return false;
    // Reading the gamma reads every chunk before the image data: a damaged one ends here.
    std::uint32_t gamma = 0;
    const int gammaStatus = spng_get_gama_int(ctx_, &gamma);
    if (gammaStatus != 0 && gammaStatus != SPNG_ECHUNKAVAIL) return false;
    if (header.bit_depth > 8 || (gammaStatus == 0 && gamma != kUsualGamma)) return false;
    // libspng holds rows of the image's whole width even when only the top-left part is kept: a
    // header claiming rows beyond any real image (up to two billion pixels) is refused here.
    if (header.width > kMaxRowPixels) return false;
    width_ = header.width;
    height_ = header.height;
    interlaced_ = header.interlace_method != SPNG_INTERLACE_NONE;
    // Opaque 8-bit colour without a transparent colour: decoded as RGB, a quarter less to write.
    spng_trns transparent{};
    rgb_ = header.color_type == SPNG_COLOR_TYPE_TRUECOLOR && header.bit_depth == 8 && !interlaced_ &&
           spng_get_trns(ctx_, &transparent) == SPNG_ECHUNKAVAIL;
    ready_ = true;
    return true;
}

// libspng gives RGBA rows. Non-interlaced rows come in order, so decoding stops after the last
// row the part needs (damage below it goes unseen). Interlaced rows come back pass after pass,
// each pass writing its pixels at their final places in a full-width row: the part's pixels stay
// in place between passes and are turned into BGRA at the end.
std::optional<bool> PngReader::DecodeTopLeft(std::uint32_t partWidth, std::uint32_t partHeight,
                                             const std::function<std::uint32_t*(std::uint32_t y)>& rowAt) {
    if (!ready_ || partWidth > width_ || partHeight > height_) return std::nullopt;
    ready_ = false;  // libspng decodes an image once
    if (partWidth == 0 || partHeight == 0) return true;
    // Only now, after the caller has checked the size, does libspng allocate rows of the image's
    // width (gigabytes, for a header that claims a billion pixels a row).
    const int format = rgb_ ? SPNG_FMT_RGB8 : SPNG_FMT_RGBA8;
    if (spng_decode_image(ctx_, nullptr, 0, format, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE) != 0) {
        return std::nullopt;
    }
    const std::size_t rowBytes = std::size_t{width_} * (rgb_ ? 3 : 4), partBytes = std::size_t{partWidth} * 4;
    // RGB rows, and rows not wholly in the part, are decoded into a row of the image's width.
    std::unique_ptr<std::uint8_t[]> scratch;
    if (rgb_ || partWidth < width_ || (interlaced_ && partHeight < height_)) {
        scratch.reset(new (std::nothrow) std::uint8_t[rowBytes]);
        if (!scratch) return std::nullopt;
    }
    bool opaque = true, ended = false;
    while (!ended) {
        spng_row_info row{};
        if (spng_get_row_info(ctx_, &row) != 0) return std::nullopt;
        const bool wanted = row.row_num < partHeight;
        if (!wanted && (!interlaced_ || row.pass == 6)) break;  // the part is complete
        std::uint32_t* const out = wanted ? rowAt(row.row_num) : nullptr;
        const bool direct = wanted && !scratch;
        void* const into = direct ? static_cast<void*>(out) : scratch.get();
        if (wanted && !direct && interlaced_) std::memcpy(into, out, partBytes);  // earlier passes' pixels
        const int status = spng_decode_row(ctx_, into, rowBytes);
        if (status != 0 && status != SPNG_EOI) return std::nullopt;
        ended = status == SPNG_EOI;
        if (!wanted) continue;
        if (rgb_) {
            ExpandRgbRow(scratch.get(), out, partWidth);
            continue;
        }
        if (!direct) std::memcpy(out, into, partBytes);
        if (!interlaced_) opaque &= RgbaToBgraRow(out, partWidth);
    }
    // The rest of the file, once every row is read: the last image chunk's checksum is only checked here.
    if (ended && spng_decode_chunks(ctx_) != 0) return std::nullopt;
    if (interlaced_) {
        for (std::uint32_t y = 0; y < partHeight; ++y) opaque &= RgbaToBgraRow(rowAt(y), partWidth);
    }
    return opaque;
}

}  // namespace kino
