#include "core/numtext.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kino {
namespace {

// Blanks, tabs and line feeds are skipped anywhere, even between digits ("1 2" is 12).
// A carriage return is not among them: it ends the number like any other character.
bool IsSkipped(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

// The text with the skipped characters taken out, read one code unit at a time.
class Reader {
public:
    explicit Reader(TextView text) : text_(text) { SkipBlanks(); }
    char16_t Peek() const { return pos_ < text_.size() ? text_[pos_] : u'\0'; }
    void Next() {
        ++pos_;
        SkipBlanks();
    }
    bool Take(char16_t c) {
        if (Peek() != c) return false;
        Next();
        return true;
    }
    bool TakeEither(char16_t upper) { return Take(upper) || Take(static_cast<char16_t>(upper + (u'a' - u'A'))); }

private:
    void SkipBlanks() {
        while (pos_ < text_.size() && IsSkipped(text_[pos_])) ++pos_;
    }
    TextView text_;
    std::size_t pos_ = 0;
};

bool IsDecimalDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int HexDigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

int OctalDigitValue(char16_t c) { return c >= u'0' && c <= u'7' ? c - u'0' : -1; }

// &H / &O integers are read as plain non-negative magnitudes of any length: &HFFFF is 65535,
// not a 16-bit -1, so what the user types is what the number means. The first 60 bits are
// kept exactly, the rest only as a sticky bit, which is enough for correct rounding to double;
// values past the double range give +inf.
double ReadRadixInteger(Reader& in, int bitsPerDigit, int (*digitValue)(char16_t)) {
    constexpr int kKeptBits = 60;
    std::uint64_t kept = 0;
    int keptBits = 0;
    bool sticky = false;
    long long droppedBits = 0;
    for (int d; (d = digitValue(in.Peek())) >= 0; in.Next()) {
        if (keptBits == 0 && d == 0) continue;  // leading zeros carry no bits
        if (keptBits + bitsPerDigit <= kKeptBits) {
            kept = (kept << bitsPerDigit) | static_cast<unsigned>(d);
            keptBits += bitsPerDigit;
        } else {
            sticky = sticky || d != 0;
            // Past 2^1100 the value is +inf already; stop counting so nothing can overflow.
            if (droppedBits < 1100) droppedBits += bitsPerDigit;
        }
    }
    // One extra low bit stands for everything dropped, so halfway cases round the right way.
    const std::uint64_t withSticky = (kept << 1) | (sticky ? 1u : 0u);
    return std::ldexp(static_cast<double>(withSticky), static_cast<int>(droppedBits) - 1);
}

// Decimal digits with at most one point and an optional E/D exponent. The significant digits
// are handed to std::from_chars (locale-independent, correctly rounded) in the normalised form
// 0.<digits>e<exponent>, whose exponent is computed here without any chance of overflow.
double ReadDecimal(Reader& in) {
    std::string digits;           // significant digits, leading zeros dropped
    long long pointExponent = 0;  // decimal exponent of 0.<digits> before the E/D part
    bool anyDigit = false;
    bool afterPoint = false;
    for (;;) {
        const char16_t c = in.Peek();
        if (IsDecimalDigit(c)) {
            anyDigit = true;
            if (!digits.empty() || c != u'0') {
                digits.push_back(static_cast<char>(c));
                if (!afterPoint) ++pointExponent;
            } else if (afterPoint) {
                --pointExponent;  // a zero between the point and the first significant digit
            }
            in.Next();
        } else if (c == u'.' && !afterPoint) {
            afterPoint = true;
            in.Next();
        } else {
            break;
        }
    }
    if (!anyDigit) return 0.0;

    long long exponent = 0;
    if (in.TakeEither(u'E') || in.TakeEither(u'D')) {
        bool negative = false;
        if (!in.Take(u'+')) negative = in.Take(u'-');
        for (; IsDecimalDigit(in.Peek()); in.Next()) {
            // Saturate: any exponent this large already means inf or 0.
            if (exponent < 1'000'000'000) exponent = exponent * 10 + (in.Peek() - u'0');
        }
        if (negative) exponent = -exponent;
    }
    if (digits.empty()) return 0.0;

    // Beyond these the value is certainly out of the double range (its magnitude lies in
    // [10^(e-1), 10^e)).
    const long long e = pointExponent + exponent;
    if (e > 400) return std::numeric_limits<double>::infinity();
    if (e < -400) return 0.0;

    std::string normalised = "0." + digits + "e" + std::to_string(e);
    double value = 0.0;
    const auto result = std::from_chars(normalised.data(), normalised.data() + normalised.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        return e > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return value;
}

}  // namespace

double NumberValue(TextView text) {
    Reader in(text);
    if (in.Take(u'&')) {
        if (in.TakeEither(u'H')) return ReadRadixInteger(in, 4, HexDigitValue);
        if (in.TakeEither(u'O')) return ReadRadixInteger(in, 3, OctalDigitValue);
        return 0.0;
    }
    bool negative = false;
    if (!in.Take(u'+')) negative = in.Take(u'-');
    const double magnitude = ReadDecimal(in);
    return negative ? -magnitude : magnitude;
}

std::optional<std::int32_t> FrameNumberOf(double value) {
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    // Also turns away NaN and the infinities before any arithmetic on them.
    if (!(value >= kMin - 1.0 && value <= kMax + 1.0)) return std::nullopt;
    // Halves to even, done by hand so the result doesn't hang on the FPU rounding mode.
    double rounded = std::floor(value);
    const double fraction = value - rounded;  // exact in this range
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0)) rounded += 1.0;
    if (rounded < kMin || rounded > kMax) return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

}  // namespace kino
