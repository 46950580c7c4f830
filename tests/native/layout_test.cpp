#include "app/layout.h"

#include <gtest/gtest.h>

namespace kino {
namespace {

TEST(Layout, TwipsToPixelsRoundsToNearestAtEachDensity) {
    const struct {
        int twips, at96, at120, at144;
    } rows[] = {{0, 0, 0, 0},         {15, 1, 1, 2},         {1440, 96, 120, 144}, {975, 65, 81, 98},
                {7140, 476, 595, 714}, {-15, -1, -1, -2},    {8, 1, 1, 1},         {7, 0, 1, 1}};
    for (const auto& row : rows) {
        EXPECT_EQ(TwipsToPixels(row.twips, 96), row.at96) << row.twips;
        EXPECT_EQ(TwipsToPixels(row.twips, 120), row.at120) << row.twips;
        EXPECT_EQ(TwipsToPixels(row.twips, 144), row.at144) << row.twips;
    }
}

// With any font, each caption ends left of its control, and one blank more would reach it.
TEST(Layout, FittedCaptionsEndJustBeforeTheirControls) {
    const ControlId targets[] = {IdPrefixBox, IdTypeList, IdFirstNumberBox, IdLastNumberBox};
    const Text captions[] = {u"前缀：", u"扩展名：*.", u"开始编号：", u"结束编号："};
    for (int dpi : {96, 144}) {
        for (int blankWidth : {0, 2, 5}) {
            SCOPED_TRACE(::testing::Message() << dpi << " dpi, blank " << blankWidth);
            auto measure = [&](TextView text) {
                int width = 0;
                for (char16_t c : text) width += (c == u' ' ? blankWidth : c < 0x80 ? 4 : 12) * dpi / 96;
                return width;
            };
            const Text fitted = FitCaptions(measure, dpi);
            ASSERT_LT(fitted.size(), 1000u);  // blanks of no width end the fitting too
            if (blankWidth == 0) continue;
            const int labelLeft = PixelRectOf(Control(IdCaptionsLabel), dpi).left;
            std::size_t end = 0;
            for (int i = 0; i < 4; ++i) {
                end = fitted.find(captions[i], end);
                ASSERT_NE(end, Text::npos);
                end += captions[i].size();
                const int right = labelLeft + measure(TextView(fitted).substr(0, end));
                const int controlLeft = PixelRectOf(Control(targets[i]), dpi).left;
                EXPECT_LT(right, controlLeft) << i;
                if (i > 0) {
                    EXPECT_GE(right + blankWidth * dpi / 96, controlLeft - TwipsToPixels(15, dpi)) << i;
                }
            }
            EXPECT_EQ(end, fitted.size());
        }
    }
}

}  // namespace
}  // namespace kino
