// What the benchmarks share: frames that compress like real ones, and the process's memory.
#pragma once
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

#include "sample_files_win.h"

namespace kino {
namespace {

using test::Pixels;
// As a double: the benchmarks subtract and divide it.
inline double PrivateBytes() { return static_cast<double>(test::PrivateBytes()); }
using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Frame n of a sequence: soft colour fields, a moving disc, stripes and fine noise, so that
// the files compress like real frames do (neither flat nor random).
Pixels FramePixels(int width, int height, int n, bool withAlpha) {
    Pixels pixels(static_cast<std::size_t>(width) * height);
    std::uint32_t seed = 0x9E3779B9u * static_cast<std::uint32_t>(n + 1);
    const double cx = width * (0.2 + 0.6 * ((n % 20) / 19.0)), cy = height * 0.5, r = height * 0.2;
    std::vector<std::uint8_t> wave(static_cast<std::size_t>(width) + height);
    for (std::size_t i = 0; i < wave.size(); ++i)
        wave[i] = static_cast<std::uint8_t>(127.5 + 127.5 * std::sin((static_cast<double>(i) + n * 7) / 97.0));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            seed ^= seed << 13;
            seed ^= seed >> 17;
            seed ^= seed << 5;
            const int noise = static_cast<int>(seed & 7) - 4;
            int red = wave[x] / 2 + wave[y] / 2 + noise;
            int green = wave[static_cast<std::size_t>(x) + y] + noise;
            int blue = ((x / 24 + y / 24 + n) % 2) ? 200 + noise : 60 + noise;
            const double dx = x - cx, dy = y - cy;
            std::uint32_t alpha = 0xFF;
            if (dx * dx + dy * dy < r * r) {
                red = 240;
                green = 200 + noise;
                blue = 40;
            } else if (withAlpha) {
                alpha = static_cast<std::uint32_t>(std::clamp(wave[y] + noise, 0, 255));
            }
            pixels[static_cast<std::size_t>(y) * width + x] =
                (alpha << 24) | (static_cast<std::uint32_t>(std::clamp(red, 0, 255)) << 16) |
                (static_cast<std::uint32_t>(std::clamp(green, 0, 255)) << 8) |
                static_cast<std::uint32_t>(std::clamp(blue, 0, 255));
        }
    }
    return pixels;
}

}  // namespace
}  // namespace kino
