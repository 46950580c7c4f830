// Number texts as the inputs read them: the bytes as UTF-16 code units, then the frame number.
#include <cmath>
#include <cstring>

#include "core/numtext.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using kino::fuzz::Require;
    const kino::Text text = kino::fuzz::CodeUnits(data, size);
    const double value = kino::NumberValue(text);
    Require(!std::isnan(value), "a number text is never NaN");
    if (const std::optional<std::int32_t> n = kino::FrameNumberOf(value)) {
        Require(std::fabs(*n - value) <= 0.5, "the frame number is the value rounded");
    } else {
        Require(!(std::fabs(value) < 2147483647.0), "only values beyond 32 bits are refused");
    }
    // A decimal the program writes reads back as itself (correctly rounded to a double).
    std::int64_t written = 0;
    std::memcpy(&written, data, std::min(size, sizeof written));
    Require(kino::NumberValue(kino::DecimalText(written)) == static_cast<double>(written), "decimals read back");
    return 0;
}
