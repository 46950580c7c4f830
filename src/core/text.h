// Text as the program handles it: UTF-16 code units, whatever the width of wchar_t.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace kino {

using Text = std::u16string;
using TextView = std::u16string_view;

// n as plain decimal digits, with a minus sign only when negative.
Text DecimalText(std::int64_t n);

}  // namespace kino
