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

}  // namespace
}  // namespace kino
