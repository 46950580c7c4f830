#include "core/numtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>

#include "core/text.h"

namespace kino {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(NumberValue, ReadsTheNumberTheTextBeginsWith) {
    const Text zeros(400, u'0');
    const struct {
        Text text;
        double value;
    } rows[] = {
        {u"", 0},       {u"abc", 0},     {u"12", 12},       {u"12abc", 12},   {u"+7", 7},      {u"-5", -5},
        {u"0.3", 0.3},  {u".5", 0.5},    {u"5.", 5},        {u"1.2.3", 1.2},  {u"1e3", 1000},  {u"1E-2", 0.01},
        {u"2d3", 2000}, {u"2D+1", 20},   {u"1e", 1},        {u"1e+", 1},      {u"1ex", 1},     {u"e5", 0},
        {u".e5", 0},    {u"+", 0},       {u"--1", 0},       {u"+-1", 0},      {u"-.5e1", -5},  {u"007", 7},
        {u"1,5", 1},    {u"１２", 0},    {u"1\r2", 1},      {u"\r5", 0},      {u"3.5帧", 3.5}, {u"-0", 0},
        // blanks, tabs and line feeds are skipped anywhere
        {u"1 2", 12},   {u" \t\n- 1\t2 . 5 e\n1", -125},    {u"& h 1 f", 31}, {u"1 2 x 3", 12},
        // &H and &O: non-negative integers of any length
        {u"&H1F", 31},  {u"&hff", 255},  {u"&HFFFF", 65535}, {u"&HFFFFFFFF", 4294967295.0}, {u"&O17", 15},
        {u"&o777", 511}, {u"&O8", 0},    {u"&O18", 1},      {u"&H1G", 1},     {u"&H1.5", 1},   {u"&H", 0},
        {u"&", 0},      {u"&X12", 0},    {u"-&H10", 0},     {u"&H0000000000000000000000001", 1},
        {u"&H20000000000001", 9007199254740992.0},  // 2^53 + 1 rounds to even past 60 kept bits
        {u"&H20000000000003", 9007199254740996.0},
        {u"&H1" + Text(13, u'0') + u"8" + Text(15, u'0'), std::ldexp(1.0, 116)},  // halfway: even
        {u"&H1" + Text(13, u'0') + u"8" + Text(14, u'0') + u"1", std::ldexp(1.0 + std::ldexp(1.0, -52), 116)},
        {u"&H" + Text(100, u'F'), std::ldexp(1.0, 400)}, {u"&O" + Text(60, u'7'), std::ldexp(1.0, 180)},
        {u"&H" + Text(400, u'F'), kInf},
        // double precision, huge exponents saturate
        {u"2147483647.5", 2147483647.5}, {u"9007199254740993", 9007199254740992.0},
        {u"1" + zeros, kInf},            {u"0." + zeros + u"1", 0}, {u"0." + zeros + u"1e401", 1},
        {u"1e99999", kInf},              {u"-1e400", -kInf},        {u"1e-99999", 0},
        {u"1.8e308", kInf},              {u"4.9e-324", 4.9e-324},   {u"1e-330", 0},
        {u"1e99999999999999999999999999", kInf}, {u"0e99999", 0},   {Text(5000, u'9'), kInf},
    };
    for (const auto& row : rows) EXPECT_EQ(NumberValue(row.text), row.value) << ::testing::PrintToString(row.text.substr(0, 40));
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

// Random texts over the characters that matter: no crash, no sanitizer report, never NaN, and a
// frame number only within half a unit of the value.
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
        ASSERT_FALSE(std::isnan(value)) << ::testing::PrintToString(text);
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
        ASSERT_EQ(NumberValue(Text(text.begin(), text.end())), std::strtod(text.c_str(), nullptr)) << text;
    }
}

}  // namespace
}  // namespace kino
