#include "imaging/pixel_rows.h"

#include <cstring>

namespace kino {

void ExpandBgrRow(const std::uint8_t* from, std::uint32_t* to, std::size_t width) {
    std::size_t x = 0;
    // Four pixels (three words) at a time: b0 g0 r0 b1 | g1 r1 b2 g2 | r2 b3 g3 r3.
    for (; x + 4 <= width; x += 4, from += 12) {
        std::uint32_t w[3];
        std::memcpy(w, from, sizeof(w));
        to[x] = 0xFF000000u | w[0];
        to[x + 1] = 0xFF000000u | (w[0] >> 24) | (w[1] << 8);
        to[x + 2] = 0xFF000000u | (w[1] >> 16) | (w[2] << 16);
        to[x + 3] = 0xFF000000u | (w[2] >> 8);
    }
    for (; x < width; ++x, from += 3) {
        to[x] = 0xFF000000u | (std::uint32_t{from[2]} << 16) | (std::uint32_t{from[1]} << 8) | from[0];
    }
}

void ExpandRgbRow(const std::uint8_t* from, std::uint32_t* to, std::size_t width) {
    for (std::size_t x = 0; x < width; ++x, from += 3) {
        to[x] = 0xFF000000u | (std::uint32_t{from[0]} << 16) | (std::uint32_t{from[1]} << 8) | from[2];
    }
}

bool RowOpaque(const std::uint32_t* row, std::size_t width) {
    std::uint32_t all = 0xFF000000u;
    for (std::size_t x = 0; x < width; ++x) all &= row[x];
    return all == 0xFF000000u;
}

bool RgbaToBgraRow(std::uint32_t* row, std::size_t width) {
    std::uint32_t all = 0xFF000000u;
    for (std::size_t x = 0; x < width; ++x) {
        const std::uint32_t pixel = row[x];  // bytes R G B A: the little-endian word 0xAABBGGRR
        all &= pixel;
        row[x] = (pixel & 0xFF00FF00u) | ((pixel & 0xFFu) << 16) | ((pixel >> 16) & 0xFFu);
    }
    return all >= 0xFF000000u;
}

void PremultiplyRow(const std::uint32_t* from, std::uint32_t* to, std::size_t width) {
    for (std::size_t x = 0; x < width; ++x) {
        const std::uint32_t pixel = from[x], alpha = pixel >> 24;
        if (alpha == 0xFF) {
            to[x] = pixel;
            continue;
        }
        const auto times = [&](int shift) { return (((pixel >> shift) & 0xFFu) * alpha + 127u) / 255u << shift; };
        to[x] = (alpha << 24) | times(16) | times(8) | times(0);
    }
}

}  // namespace kino
