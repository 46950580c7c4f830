#include "playback/tick_grid.h"

#include <gtest/gtest.h>

namespace kino {
namespace {

// Counter frequencies met in practice: Windows 10's 10 MHz, the ACPI PM timer's 3.579545 MHz
// (a non-integer number of ticks per millisecond), and a TSC-based 2.9 GHz.
constexpr std::int64_t kFrequencies[] = {10'000'000, 3'579'545, 2'900'000'000};

TEST(TickGrid, DeadlinesAreExactMultiplesWithoutDrift) {
    for (std::int64_t frequency : kFrequencies) {
        for (std::int64_t interval : {1, 8, 33, 142, 65535}) {
            const TickGrid grid(123456789, static_cast<int>(interval), frequency);
            // A million ticks on, the deadline is exactly a million intervals on, to the tick.
            const std::int64_t k = 1'000'000;
            const std::int64_t exact = 123456789 + k * interval * (frequency / 1000) + k * interval * (frequency % 1000) / 1000;
            EXPECT_EQ(grid.Deadline(k), exact) << frequency << " " << interval;
            for (std::int64_t i = 1; i < 2000; ++i) {  // gaps differ by at most one counter tick
                const std::int64_t excess = grid.Deadline(i) - grid.Deadline(i - 1) - interval * frequency / 1000;
                ASSERT_TRUE(excess == 0 || excess == 1) << i;
            }
        }
    }
}

TEST(TickGrid, TheNextTickIsTheNextPointOrTheLatestMissedByLessThanHalfAnInterval) {
    for (std::int64_t frequency : kFrequencies) {
        const TickGrid grid(5000, 8, frequency);
        const std::int64_t interval = grid.Deadline(1) - grid.Deadline(0);
        const auto at = [&](std::int64_t k, std::int64_t offset) { return grid.Deadline(k) + offset; };
        const struct {
            std::int64_t now, firstAfter;
        } firsts[] = {{at(0, -100), 1}, {at(0, 0), 1}, {at(1, -1), 1}, {at(1, 0), 2}, {at(1, 1), 2},
                      {at(10, 1), 11},  {at(123457, -1), 123457},      {at(50'000'000, 0), 50'000'001}};
        for (const auto& row : firsts) EXPECT_EQ(grid.FirstAfter(row.now), row.firstAfter) << row.now;
        const struct {
            std::int64_t done, now, next;
        } nexts[] = {
            {3, at(3, 1), 4},             {3, at(4, -1), 4},  // in time: the next point
            // Just after it: still due, a little late (a handler slightly slower than the interval
            // then costs lateness, not half the rate).
            {3, at(4, 0), 4},             {3, at(4, interval / 4), 4},
            {3, at(4, interval / 2 + 1), 5},                  // missed by half an interval: skipped
            {3, at(6, interval / 4), 6},  {3, at(6, 3 * interval / 4), 7},  // no burst of catch-up ticks
            {4, at(4, 0), 5},             {4, at(4, interval / 4), 5},  {0, at(0, 0), 1},  // never the same point
        };
        for (const auto& row : nexts) EXPECT_EQ(grid.NextAfter(row.done, row.now), row.next) << row.done << " " << row.now;
    }
}

}  // namespace
}  // namespace kino
