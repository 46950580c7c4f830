#include "core/numtext.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <cstdlib>
#include <random>

#include "fakes.h"

namespace kino {
namespace {

using test::T;

double Value(std::string_view utf8) { return NumberValue(T(utf8)); }

TEST(NumberValue, ReadsTheNumberTheTextBeginsWith) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"", 0},          {"abc", 0},        {"12", 12},         {"12abc", 12},     {"+7", 7},
        {"-5", -5},       {"0.3", 0.3},      {".5", 0.5},        {"5.", 5},         {"1.2.3", 1.2},
        {"1e3", 1000},    {"1E-2", 0.01},    {"2d3", 2000},      {"2D+1", 20},      {"1e", 1},
        {"1e+", 1},       {"1ex", 1},        {"e5", 0},          {".e5", 0},        {"+", 0},
        {"--1", 0},       {"+-1", 0},        {"-.5e1", -5},      {"1.e2", 100},     {"007", 7},
        {"0.000123", 0.000123}, {"1e-1", 0.1}, {"12x34", 12},    {"1,5", 1},        {"１２", 0},
        {"1\r2", 1},      {"\r5", 0},        {"3.5帧", 3.5},     {"-0", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(Value(c.text), c.value) << '"' << c.text << '"';
}

TEST(NumberValue, SkipsBlanksTabsAndLineFeedsAnywhere) {
    EXPECT_EQ(Value("1 2"), 12);
    EXPECT_EQ(Value(" \t\n- 1\t2 . 5 e\n1"), -125);
    EXPECT_EQ(Value("& h 1 f"), 31);
    EXPECT_EQ(Value("   "), 0);
    EXPECT_EQ(Value("1 2 x 3"), 12);
}

TEST(NumberValue, ReadsHexAndOctalAsNonNegativeIntegers) {
    EXPECT_EQ(Value("&H1F"), 31);
    EXPECT_EQ(Value("&hff"), 255);
    EXPECT_EQ(Value("&HFFFF"), 65535);
    EXPECT_EQ(Value("&HFFFFFFFF"), 4294967295.0);
    EXPECT_EQ(Value("&H7FFFFFFF"), 2147483647);
    EXPECT_EQ(Value("&O17"), 15);
    EXPECT_EQ(Value("&o777"), 511);
    EXPECT_EQ(Value("&O8"), 0);
    EXPECT_EQ(Value("&O18"), 1);
    EXPECT_EQ(Value("&H1G"), 1);
    EXPECT_EQ(Value("&H1.5"), 1);
    EXPECT_EQ(Value("&H"), 0);
    EXPECT_EQ(Value("&"), 0);
    EXPECT_EQ(Value("&X12"), 0);
    EXPECT_EQ(Value("-&H10"), 0);  // no sign before the prefix
    EXPECT_EQ(Value("&H0000000000000000000000001"), 1);
    // Past 60 bits the rounding to double is still correct, halfway cases to even.
    EXPECT_EQ(Value("&H20000000000001"), 9007199254740992.0);  // 2^53 + 1 -> 2^53
    EXPECT_EQ(Value("&H20000000000003"), 9007199254740996.0);  // 2^53 + 3 -> 2^53 + 4
    const std::string halfway = "&H1" + std::string(13, '0') + "8" + std::string(15, '0');  // 2^116 + 2^63
    EXPECT_EQ(Value(halfway), std::ldexp(1.0, 116));
    EXPECT_EQ(Value(halfway.substr(0, halfway.size() - 1) + "1"), std::ldexp(1.0 + std::ldexp(1.0, -52), 116));
    EXPECT_EQ(Value("&H" + std::string(100, 'F')), std::ldexp(1.0, 400));
    EXPECT_EQ(Value("&O" + std::string(60, '7')), std::ldexp(1.0, 180));
    EXPECT_EQ(Value("&H" + std::string(400, 'F')), std::numeric_limits<double>::infinity());
}

TEST(NumberValue, KeepsDoublePrecisionAndSaturatesHugeExponents) {
    EXPECT_EQ(Value("0.1"), 0.1);
    EXPECT_EQ(Value("2147483647.5"), 2147483647.5);
    EXPECT_EQ(Value("9007199254740993"), 9007199254740992.0);
    EXPECT_EQ(Value("1" + std::string(400, '0')), std::numeric_limits<double>::infinity());
    EXPECT_EQ(Value("0." + std::string(400, '0') + "1"), 0);
    EXPECT_EQ(Value("0." + std::string(400, '0') + "1e401"), 1);
    EXPECT_EQ(Value("1e99999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(Value("-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(Value("1e-99999"), 0);
    EXPECT_EQ(Value("1e308"), 1e308);
    EXPECT_EQ(Value("1.8e308"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(Value("4.9e-324"), 4.9e-324);
    EXPECT_EQ(Value("1e-330"), 0);
    EXPECT_EQ(Value("1e99999999999999999999999999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(Value("0e99999"), 0);
    EXPECT_EQ(Value(std::string(5000, '9')), std::numeric_limits<double>::infinity());
}

TEST(FrameNumberOf, RoundsHalvesToEven) {
    const struct {
        double value;
        std::int32_t number;
    } cases[] = {{2.5, 2},   {3.5, 4},   {0.5, 0},   {1.5, 2},   {-0.5, 0},   {-1.5, -2}, {-2.5, -2},
                 {0.3, 0},   {1.2, 1},   {1.4, 1},   {2.6, 3},   {-2.6, -3},  {-0.0, 0},  {7, 7},
                 {2147483646.5, 2147483646}, {2147483647, 2147483647}, {2147483647.4, 2147483647},
                 {-2147483648.5, -2147483648}, {-2147483648, -2147483648}};
    for (const auto& c : cases) EXPECT_EQ(FrameNumberOf(c.value), c.number) << c.value;
}

TEST(FrameNumberOf, RefusesNumbersOutsideTheRange) {
    for (double v : {2147483647.5, 2147483648.0, -2147483648.6, -2147483649.0, 3e9, 1e300,
                     std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(FrameNumberOf(v), std::nullopt) << v;
}

// Random texts over the characters that matter: no crash, no sanitizer report, and the
// properties that must hold for every text.
TEST(NumberValue, RandomTextsKeepTheRules) {
    static const char16_t kAlphabet[] = u"0123456789+-.eEdDhHoO&&  \t\nxZ,\r\x5E27\x4E00\xD800\xDC00\xFF11";
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kAlphabet) - 2);
    std::uniform_int_distribution<int> length(0, 40);
    for (int i = 0; i < 300000; ++i) {
        Text text;
        for (int n = length(random); n > 0; --n) text.push_back(kAlphabet[pick(random)]);
        if (i % 1000 == 0) text.append(2000, u'7');  // now and then a very long digit run

        const double value = NumberValue(text);
        ASSERT_FALSE(std::isnan(value)) << test::U8(text);

        Text squeezed;
        for (char16_t c : text)
            if (c != u' ' && c != u'\t' && c != u'\n') squeezed.push_back(c);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(NumberValue(squeezed)), std::bit_cast<std::uint64_t>(value))
            << test::U8(text);

        // A text that doesn't start with a digit, sign, point or & has no number.
        if (!squeezed.empty() && Text(u"0123456789+-.&").find(squeezed[0]) == Text::npos) {
            ASSERT_EQ(value, 0) << test::U8(text);
        }

        if (const auto number = FrameNumberOf(value)) {
            ASSERT_LE(std::fabs(*number - value), 0.5) << test::U8(text);
        } else {
            ASSERT_GT(std::fabs(value), 2147483647.0) << test::U8(text);
        }
    }
}

// Well-formed decimal texts read exactly as the C library reads them.
TEST(NumberValue, AgreesWithStrtodOnDecimalTexts) {
    std::mt19937 random(7);
    auto digits = [&](int most) {
        std::string out(std::uniform_int_distribution<int>(0, most)(random), '0');
        for (char& c : out) c = static_cast<char>('0' + random() % 10);
        return out;
    };
    for (int i = 0; i < 100000; ++i) {
        std::string text = random() % 2 ? "-" : "";
        text += digits(25);
        if (random() % 2) text += "." + digits(25);
        if (text.find_first_of("0123456789") == std::string::npos) text += "0";
        if (random() % 2) text += (random() % 2 ? "e" : "E") + std::string(random() % 2 ? "-" : "") + digits(3);
        ASSERT_EQ(Value(text), std::strtod(text.c_str(), nullptr)) << text;
    }
}

}  // namespace
}  // namespace kino
