// What every fuzz target shares: a property that fails aborts the run, which libFuzzer reports as
// a crash with the input that broke it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/text.h"

namespace kino::fuzz {

inline void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

// The bytes as UTF-16 code units, low byte first (an odd last byte is dropped): every code unit,
// surrogates and U+0000 included, can reach the code.
inline Text CodeUnits(const std::uint8_t* data, std::size_t size) {
    Text text;
    for (std::size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    return text;
}

}  // namespace kino::fuzz
