#include "core/numtext.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>

#include "fakes.h"

namespace kino {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

double Value(std::string_view utf8) { return NumberValue(test::T(utf8)); }

TEST(NumberValue, ReadsTheNumberTheTextBeginsWith) {
    const std::string zeros(400, '0'), fs(100, 'F');
    const struct {
        std::string text;
        double value;
    } rows[] = {
        {"", 0},        {"abc", 0},       {"12", 12},        {"12abc", 12},    {"+7", 7},       {"-5", -5},
        {"0.3", 0.3},   {".5", 0.5},      {"5.", 5},         {"1.2.3", 1.2},   {"1e3", 1000},   {"1E-2", 0.01},
        {"2d3", 2000},  {"2D+1", 20},     {"1e", 1},         {"1e+", 1},       {"1ex", 1},      {"e5", 0},
        {".e5", 0},     {"+", 0},         {"--1", 0},        {"+-1", 0},       {"-.5e1", -5},   {"007", 7},
        {"1,5", 1},     {"１２", 0},      {"1\r2", 1},       {"\r5", 0},       {"3.5帧", 3.5},  {"-0", 0},
        // blanks, tabs and line feeds are skipped anywhere
        {"1 2", 12},    {" \t\n- 1\t2 . 5 e\n1", -125},      {"& h 1 f", 31},  {"1 2 x 3", 12},
        // &H and &O: non-negative integers of any length
        {"&H1F", 31},   {"&hff", 255},    {"&HFFFF", 65535}, {"&HFFFFFFFF", 4294967295.0},  {"&O17", 15},
        {"&o777", 511}, {"&O8", 0},       {"&O18", 1},       {"&H1G", 1},      {"&H1.5", 1},    {"&H", 0},
        {"&", 0},       {"&X12", 0},      {"-&H10", 0},      {"&H0000000000000000000000001", 1},
        {"&H20000000000001", 9007199254740992.0},  // 2^53 + 1 rounds to even past 60 kept bits
        {"&H20000000000003", 9007199254740996.0},
        {"&H1" + std::string(13, '0') + "8" + std::string(15, '0'), std::ldexp(1.0, 116)},  // halfway: even
        {"&H1" + std::string(13, '0') + "8" + std::string(14, '0') + "1", std::ldexp(1.0 + std::ldexp(1.0, -52), 116)},
        {"&H" + fs, std::ldexp(1.0, 400)}, {"&O" + std::string(60, '7'), std::ldexp(1.0, 180)},
        {"&H" + std::string(400, 'F'), kInf},
        // double precision, huge exponents saturate
        {"2147483647.5", 2147483647.5},   {"9007199254740993", 9007199254740992.0},
        {"1" + zeros, kInf},              {"0." + zeros + "1", 0},  {"0." + zeros + "1e401", 1},
        {"1e99999", kInf},                {"-1e400", -kInf},        {"1e-99999", 0},
        {"1.8e308", kInf},                {"4.9e-324", 4.9e-324},   {"1e-330", 0},
        {"1e99999999999999999999999999", kInf}, {"0e99999", 0},     {std::string(5000, '9'), kInf},
    };
    for (const auto& row : rows) EXPECT_EQ(Value(row.text), row.value) << '"' << row.text.substr(0, 40) << '"';
}

TEST(FrameNumberOf, RoundsHalvesToEvenWithinThe32BitRange) {
    const struct {
        double value;
        std::optional<std::int32_t> number;
    } rows[] = {{2.5, 2},   {3.5, 4},    {0.5, 0},   {-0.5, 0},  {-1.5, -2}, {-2.5, -2}, {1.4, 1}, {2.6, 3},
                {-2.6, -3}, {-0.0, 0},   {2147483646.5, 2147483646}, {2147483647.4, 2147483647},
                {-2147483648.5, -2147483648}, {2147483647.5, std::nullopt}, {-2147483648.6, std::nullopt},
                {3e9, std::nullopt}, {kInf, std::nullopt}, {-kInf, std::nullopt},
                {std::numeric_limits<double>::quiet_NaN(), std::nullopt}};
    for (const auto& row : rows) EXPECT_EQ(FrameNumberOf(row.value), row.number) << row.value;
}

// Random texts over the characters that matter: no crash, no sanitizer report, and the
// properties that must hold for every text.
TEST(NumberValue, RandomTextsKeepTheRules) {
    static const char16_t kAlphabet[] = u"0123456789+-.eEdDhHoO&&  \t\nxZ,\r\x5E27\x4E00\xD800\xDC00\xFF11";
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kAlphabet) - 2);
    std::uniform_int_distribution<int> length(0, 40);
    for (int i = 0; i < 100000; ++i) {
        Text text;
        for (int n = length(random); n > 0; --n) text.push_back(kAlphabet[pick(random)]);
        if (i % 1000 == 0) text.append(2000, u'7');  // now and then a very long digit run
        const double value = NumberValue(text);
        ASSERT_FALSE(std::isnan(value)) << test::U8(text);
        Text squeezed;
        for (char16_t c : text)
            if (c != u' ' && c != u'\t' && c != u'\n') squeezed.push_back(c);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(NumberValue(squeezed)), std::bit_cast<std::uint64_t>(value));
        if (!squeezed.empty() && Text(u"0123456789+-.&").find(squeezed[0]) == Text::npos) {
            ASSERT_EQ(value, 0);
        }
        const auto number = FrameNumberOf(value);
        ASSERT_TRUE(number ? std::fabs(*number - value) <= 0.5 : std::fabs(value) > 2147483647.0) << value;
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
