#include "app/layout.h"

#include <gtest/gtest.h>

#include <array>

namespace kino {
namespace {

TEST(Layout, TwipsToPixelsRoundsToNearestAtEachDensity) {
    const std::array<int, 4> rows[] = {{15, 1, 1, 2}, {1440, 96, 120, 144}, {-15, -1, -1, -2}, {7, 0, 1, 1}};
    for (const auto& [twips, at96, at120, at144] : rows)
        EXPECT_EQ((std::array{TwipsToPixels(twips, 96), TwipsToPixels(twips, 120), TwipsToPixels(twips, 144)}),
                  (std::array{at96, at120, at144})) << twips;
}

// With any font, each caption ends left of its control, and one blank more would pass the gap before it.
TEST(Layout, FittedCaptionsEndJustBeforeTheirControls) {
    const ControlId targets[] = {IdPrefixBox, IdTypeList, IdFirstNumberBox, IdLastNumberBox};
    const Text captions[] = {u"前缀：", u"扩展名：*.", u"开始编号：", u"结束编号："};
    for (int dpi : {96, 144}) {
        for (int blank : {0, 1, 5}) {
            SCOPED_TRACE(::testing::Message() << dpi << " dpi, blank " << blank);
            auto measure = [&](TextView text) {
                int width = 0;
                for (char16_t c : text) width += (c == u' ' ? blank : c < 0x80 ? 4 : 12) * dpi / 96;
                return width;
            };
            const Text fitted = FitCaptions(measure, dpi);
            ASSERT_LT(fitted.size(), 1000u);  // blanks of no width end the fitting too
            if (blank == 0) continue;
            std::size_t end = 0;
            for (int i = 0; i < 4; ++i) {
                end = fitted.find(captions[i], end);
                ASSERT_NE(end, Text::npos);
                end += captions[i].size();
                const int right = PixelRectOf(Control(IdCaptionsLabel), dpi).left + measure(fitted.substr(0, end));
                const int controlLeft = PixelRectOf(Control(targets[i]), dpi).left;
                EXPECT_LT(right, controlLeft) << i;
                EXPECT_TRUE(i == 0 || right + blank * dpi / 96 > controlLeft - TwipsToPixels(15, dpi)) << i;
            }
            EXPECT_EQ(end, fitted.size());
        }
    }
}

}  // namespace
}  // namespace kino
