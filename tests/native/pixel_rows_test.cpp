// Row conversions of the decoders.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "imaging/pixel_rows.h"

namespace kino {
namespace {

TEST(PixelRows, ExpandsBgrTriplesToOpaqueWordsAtEveryWidth) {
    // Widths around the four-pixel steps, each row with distinct bytes and a guard word after it.
    for (std::size_t width = 0; width <= 9; ++width) {
        SCOPED_TRACE(width);
        std::vector<std::uint8_t> from(width * 3);
        for (std::size_t i = 0; i < from.size(); ++i) from[i] = static_cast<std::uint8_t>(17 + i * 29);
        std::vector<std::uint32_t> to(width + 1, 0x12345678u);
        ExpandBgrRow(from.data(), to.data(), width);
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint32_t expected = 0xFF000000u | (std::uint32_t{from[x * 3 + 2]} << 16) |
                                           (std::uint32_t{from[x * 3 + 1]} << 8) | from[x * 3];
            EXPECT_EQ(to[x], expected) << "pixel " << x;
        }
        EXPECT_EQ(to[width], 0x12345678u) << "wrote past the row";
    }
}

TEST(PixelRows, RowIsOpaqueOnlyWhenEveryAlphaIsFull) {
    std::vector<std::uint32_t> row(7, 0xFF102030u);
    EXPECT_TRUE(RowOpaque(row.data(), row.size()));
    EXPECT_TRUE(RowOpaque(row.data(), 0));
    row[6] = 0xFE102030u;
    EXPECT_FALSE(RowOpaque(row.data(), row.size()));
    EXPECT_TRUE(RowOpaque(row.data(), 6)) << "only the given width counts";
    row[6] = 0x7FFFFFFFu;
    EXPECT_FALSE(RowOpaque(row.data(), row.size()));
}

}  // namespace
}  // namespace kino
