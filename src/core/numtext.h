// Reading number texts the way the program's inputs are read.
#pragma once
#include <cstdint>
#include <optional>

#include "core/text.h"

namespace kino {

// The number a text begins with, 0 when it begins with none. Blanks, tabs and line feeds are
// skipped anywhere; then an optional sign, digits with at most one decimal point and an
// optional exponent (E or D), or an &H / &O integer. Reading stops at the first character
// that can't continue the number.
double NumberValue(TextView text);

// value rounded to the nearest integer, halves to even; nullopt when that integer lies outside
// the 32-bit signed range (or value is not a number).
std::optional<std::int32_t> FrameNumberOf(double value);

}  // namespace kino
