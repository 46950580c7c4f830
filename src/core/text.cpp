#include "core/text.h"

namespace kino {

Text DecimalText(std::int64_t n) {
    // Work on the magnitude as unsigned so that INT64_MIN does not overflow.
    std::uint64_t magnitude = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    char16_t digits[24];
    int count = 0;
    do {
        digits[count++] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    Text out;
    if (n < 0) out.push_back(u'-');
    while (count > 0) out.push_back(digits[--count]);
    return out;
}

}  // namespace kino
