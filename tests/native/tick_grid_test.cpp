#include "playback/tick_grid.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>

namespace kino {
namespace {

// Counter frequencies met in practice: Windows 10's 10 MHz, the ACPI PM timer's 3.579545 MHz
// (a non-integer number of ticks per millisecond), and a TSC-based 2.9 GHz.
constexpr std::int64_t kFrequencies[] = {10'000'000, 3'579'545, 2'900'000'000};

TEST(TickGrid, DeadlinesAreExactMultiplesWithoutDrift) {
    for (std::int64_t f : kFrequencies) {
        for (std::int64_t interval : {1, 33, 65535}) {
            const TickGrid grid(123456789, static_cast<int>(interval), f);
            // A million ticks on, the deadline is exactly a million intervals on, to the tick.
            const std::int64_t k = 1'000'000;
            EXPECT_EQ(grid.Deadline(k), 123456789 + k * interval * (f / 1000) + k * interval * (f % 1000) / 1000);
            for (std::int64_t i = 1; i < 2000; ++i) {  // gaps differ by at most one counter tick
                const std::int64_t excess = grid.Deadline(i) - grid.Deadline(i - 1) - interval * f / 1000;
                ASSERT_TRUE(excess == 0 || excess == 1) << f << " " << interval << " " << i;
            }
        }
    }
}

TEST(TickGrid, TheNextTickIsTheNextPointOrTheLatestMissedByLessThanHalfAnInterval) {
    for (std::int64_t frequency : kFrequencies) {
        const TickGrid grid(5000, 8, frequency);
        const std::int64_t i = grid.Deadline(1) - grid.Deadline(0);  // the interval
        const auto at = [&](std::int64_t k, std::int64_t offset) { return grid.Deadline(k) + offset; };
        const std::pair<std::int64_t, std::int64_t> firsts[] = {  // now, the first point after it
            {at(0, -100), 1}, {at(0, 0), 1}, {at(1, -1), 1}, {at(1, 0), 2}, {at(123457, -1), 123457},
            {at(50'000'000, 0), 50'000'001}};
        for (const auto& [now, first] : firsts) EXPECT_EQ(grid.FirstAfter(now), first) << now;
        const std::array<std::int64_t, 3> nexts[] = {  // done, now, next
            {3, at(3, 1), 4}, {3, at(4, -1), 4},                   // in time: the next point
            {3, at(4, 0), 4}, {3, at(4, i / 4), 4},                // just missed: still due, a little late
            {3, at(4, i / 2 + 1), 5},                              // missed by half an interval: skipped
            {3, at(6, i / 4), 6}, {3, at(6, 3 * i / 4), 7},        // no burst of catch-up ticks
            {4, at(4, i / 4), 5}, {0, at(0, 0), 1}};               // never the same point
        for (const auto& [done, now, next] : nexts) EXPECT_EQ(grid.NextAfter(done, now), next) << done << " " << now;
    }
}

}  // namespace
}  // namespace kino
