#include "imaging/pixel_rows.h"

#include <gtest/gtest.h>

#include <vector>

namespace kino {
namespace {

using Words = std::vector<std::uint32_t>;

TEST(PixelRows, ExpandsBgrTriplesToOpaqueWordsAtEveryWidth) {
    // Widths around the four-pixel steps, distinct bytes, and a guard word after the row.
    for (std::size_t width = 0; width <= 9; ++width) {
        std::vector<std::uint8_t> from(width * 3);
        for (std::size_t i = 0; i < from.size(); ++i) from[i] = static_cast<std::uint8_t>(17 + i * 29);
        Words to(width + 1, 0x12345678u), expected(to);
        for (std::size_t x = 0; x < width; ++x)
            expected[x] = 0xFF000000u | (from[x * 3 + 2] << 16u) | (from[x * 3 + 1] << 8u) | from[x * 3];
        ExpandBgrRow(from.data(), to.data(), width);
        EXPECT_EQ(to, expected) << width;
    }
}

TEST(PixelRows, OpaqueOnlyWhenEveryAlphaIsFullAndPremultipliedToTheNearestLevel) {
    const Words row = {0xFF102030u, 0xFF102030u, 0x7FFFFFFFu, 0xFE102030u};
    for (std::size_t width : {1, 2, 3, 4}) EXPECT_EQ(RowOpaque(row.data(), width), width < 3) << width;
    const Words from = {0xFF123456u, 0x80FF8040u, 0x00FFFFFFu, 0x01FF0000u, 0xADE70000u};
    Words to(from.size());
    PremultiplyRow(from.data(), to.data(), from.size());
    EXPECT_EQ(to, (Words{0xFF123456u, 0x80804020u, 0x00000000u, 0x01010000u, 0xAD9D0000u}));  // 231 x 173 / 255
}

}  // namespace
}  // namespace kino
