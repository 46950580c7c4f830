// Number texts and the window's layout.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "app/layout.h"
#include "core/numtext.h"

namespace kino {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(NumberValue, ReadsTheNumberTheTextBeginsWith) {
    const Text zeros(400, u'0');
    const struct {
        Text text;
        double value;
    } rows[] = {
        {u"", 0}, {u"abc", 0}, {u"12abc", 12}, {u"+7", 7}, {u"-5", -5}, {u".5", 0.5}, {u"5.", 5}, {u"1.2.3", 1.2},
        {u"-0.0625e1", -0.625},
        {u"1E-2", 0.01}, {u"2d3", 2000}, {u"1e", 1}, {u"1ex", 1}, {u"e5", 0}, {u".e5", 0}, {u"--1", 0}, {u"+-1", 0},
        {u"1,5", 1}, {u"１２", 0}, {u"1\r2", 1}, {u"\r5", 0},
        // blanks, tabs and line feeds are skipped anywhere
        {u" \t\n- 1\t2 . 5 e\n1", -125}, {u"& h 1 f", 31},
        // &H and &O: non-negative integers of any length
        {u"&hff", 255}, {u"&HFFFFFFFF", 4294967295.0}, {u"&o17", 15}, {u"&O18", 1}, {u"&H1G", 1}, {u"&X12", 0},
        {u"-&H10", 0}, {u"&H0000000000000000000000001", 1},
        {u"&H1" + Text(13, u'0') + u"8" + Text(15, u'0'), std::ldexp(1.0, 116)},  // halfway: even
        {u"&H1" + Text(13, u'0') + u"8" + Text(14, u'0') + u"1", std::ldexp(1.0 + std::ldexp(1.0, -52), 116)},
        {u"&H" + Text(100, u'F'), std::ldexp(1.0, 400)}, {u"&O" + Text(60, u'7'), std::ldexp(1.0, 180)},
        {u"&H" + Text(400, u'F'), kInf},
        {u"2147483647.5", 2147483647.5}, {u"9007199254740993", 9007199254740992.0}, {u"0.0001e-2", 1e-6},
        // huge exponents saturate
        {u"0." + zeros + u"1e401", 1}, {u"-1e400", -kInf}, {u"1e-99999", 0}, {u"1.8e308", kInf}, {u"1e-330", 0},
        {u"1e99999999999999999999999999", kInf}, {u"0e99999", 0}, {Text(5000, u'9'), kInf},
    };
    for (const auto& row : rows)
        EXPECT_EQ(NumberValue(row.text), row.value) << ::testing::PrintToString(row.text.substr(0, 40));
}

TEST(FrameNumberOf, RoundsHalvesToEvenWithinThe32BitRange) {
    const struct {
        double value;
        std::optional<std::int32_t> number;
    } rows[] = {{2.5, 2}, {3.5, 4}, {-1.5, -2}, {-2.5, -2}, {2.6, 3}, {-2.6, -3}, {2147483647.4, 2147483647},
                {-2147483648.5, -2147483648}, {2147483647.5, std::nullopt}, {-2147483648.6, std::nullopt},
                {kInf, std::nullopt}, {std::numeric_limits<double>::quiet_NaN(), std::nullopt}};
    for (const auto& row : rows) EXPECT_EQ(FrameNumberOf(row.value), row.number) << row.value;
}

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
