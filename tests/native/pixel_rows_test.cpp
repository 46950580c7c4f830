#include "imaging/pixel_rows.h"

#include <gtest/gtest.h>

#include <vector>

namespace kino {
namespace {

TEST(PixelRows, ExpandsBgrTriplesToOpaqueWordsAtEveryWidth) {
    // Widths around the four-pixel steps, distinct bytes, and a guard word after the row.
    for (std::size_t width = 0; width <= 9; ++width) {
        std::vector<std::uint8_t> from(width * 3);
        for (std::size_t i = 0; i < from.size(); ++i) from[i] = static_cast<std::uint8_t>(17 + i * 29);
        std::vector<std::uint32_t> to(width + 1, 0x12345678u), expected(to);
        for (std::size_t x = 0; x < width; ++x)
            expected[x] = 0xFF000000u | (from[x * 3 + 2] << 16u) | (from[x * 3 + 1] << 8u) | from[x * 3];
        ExpandBgrRow(from.data(), to.data(), width);
        EXPECT_EQ(to, expected) << width;
    }
}

TEST(PixelRows, RowIsOpaqueOnlyWhenEveryAlphaIsFull) {
    std::vector<std::uint32_t> row(7, 0xFF102030u);
    EXPECT_TRUE(RowOpaque(row.data(), row.size()));
    for (std::uint32_t last : {0xFE102030u, 0x7FFFFFFFu}) {
        row[6] = last;
        EXPECT_FALSE(RowOpaque(row.data(), row.size()));
        EXPECT_TRUE(RowOpaque(row.data(), 6)) << "only the given width counts";
    }
}

TEST(PixelRows, PremultipliesToTheNearestLevel) {
    const std::vector<std::uint32_t> from = {0xFF123456u, 0x80FF8040u, 0x00FFFFFFu, 0x01FF0000u, 0xADE70000u};
    const std::vector<std::uint32_t> expected = {0xFF123456u, 0x80804020u, 0x00000000u, 0x01010000u,
                                                 0xAD9D0000u};  // 231 x 173 / 255 = 156.7
    std::vector<std::uint32_t> to(from.size());
    PremultiplyRow(from.data(), to.data(), from.size());
    EXPECT_EQ(to, expected);
}

}  // namespace
}  // namespace kino
