#include "playback/tick_grid.h"

#include <gtest/gtest.h>

namespace kino {
namespace {

// Counter frequencies met in practice: Windows 10's 10 MHz, the ACPI PM timer's 3.579545 MHz
// (a non-integer number of ticks per millisecond), and a TSC-based 2.9 GHz.
constexpr std::int64_t kFrequencies[] = {10'000'000, 3'579'545, 2'900'000'000};

TEST(TickGrid, DeadlinesAreExactMultiplesWithoutDrift) {
    for (std::int64_t frequency : kFrequencies) {
        for (int interval : {1, 8, 33, 142, 1000, 65535}) {
            const std::int64_t start = 123456789;
            const TickGrid grid(start, interval, frequency);
            EXPECT_EQ(grid.Deadline(0), start);
            // After a million ticks the deadline is exactly a million intervals on, to the tick.
            const std::int64_t k = 1'000'000;
            const std::int64_t exact = start + k * interval * (frequency / 1000) +
                                       k * interval * (frequency % 1000) / 1000;
            EXPECT_EQ(grid.Deadline(k), exact) << frequency << " " << interval;
            // Consecutive gaps differ by at most one counter tick.
            for (std::int64_t i = 1; i < 2000; ++i) {
                const std::int64_t gap = grid.Deadline(i) - grid.Deadline(i - 1);
                EXPECT_LE(gap - interval * frequency / 1000, 1);
                EXPECT_GE(gap - interval * frequency / 1000, 0);
            }
        }
    }
}

TEST(TickGrid, AThirtyThreeMsIntervalAtThePmTimerRateKeepsItsRate) {
    // 33 ms at 3.579545 MHz is 118124.985 ticks: truncating each gap would lose 1 tick in 67.
    const TickGrid grid(0, 33, 3'579'545);
    EXPECT_EQ(grid.Deadline(1000), 118'124'985);
}

TEST(TickGrid, FirstAfterIsTheNextPointStrictlyLater) {
    for (std::int64_t frequency : kFrequencies) {
        const std::int64_t start = 5000;
        const TickGrid grid(start, 8, frequency);
        // Before the first deadline, and at the start itself: the first deadline.
        EXPECT_EQ(grid.FirstAfter(start), 1);
        EXPECT_EQ(grid.FirstAfter(start - 100), 1);
        EXPECT_EQ(grid.FirstAfter(grid.Deadline(1) - 1), 1);
        // Exactly on a deadline: that one is due now, the next is the one after.
        EXPECT_EQ(grid.FirstAfter(grid.Deadline(1)), 2);
        EXPECT_EQ(grid.FirstAfter(grid.Deadline(1) + 1), 2);
        // A tick handled three intervals late skips the missed points instead of catching up.
        EXPECT_EQ(grid.FirstAfter(grid.Deadline(7) + 3 * (grid.Deadline(1) - start) + 1), 11);
        // Far into a long run.
        for (std::int64_t k : {1'000LL, 123'457LL, 50'000'000LL}) {
            EXPECT_EQ(grid.FirstAfter(grid.Deadline(k) - 1), k);
            EXPECT_EQ(grid.FirstAfter(grid.Deadline(k)), k + 1);
        }
    }
}

TEST(TickGrid, NextAfterAHandledTickKeepsTheGridWithoutBursts) {
    for (std::int64_t frequency : kFrequencies) {
        const TickGrid grid(1000, 8, frequency);
        const std::int64_t interval = grid.Deadline(1) - grid.Deadline(0);
        // Done in time: the next point.
        EXPECT_EQ(grid.NextAfter(3, grid.Deadline(3) + 1), 4);
        EXPECT_EQ(grid.NextAfter(3, grid.Deadline(4) - 1), 4);
        // Done just after the next point: that point is still due, a little late.
        EXPECT_EQ(grid.NextAfter(3, grid.Deadline(4)), 4);
        EXPECT_EQ(grid.NextAfter(3, grid.Deadline(4) + interval / 4), 4);
        // Missed by half an interval or more: skipped.
        EXPECT_EQ(grid.NextAfter(3, grid.Deadline(4) + interval / 2 + 1), 5);
        // Done three intervals late: the points in between are skipped, not caught up; only the
        // latest can still be due.
        EXPECT_EQ(grid.NextAfter(3, grid.Deadline(6) + interval / 4), 6);
        EXPECT_EQ(grid.NextAfter(3, grid.Deadline(6) + 3 * interval / 4), 7);
        // Never the point that was just ticked, nor one before it.
        EXPECT_EQ(grid.NextAfter(4, grid.Deadline(4)), 5);
        EXPECT_EQ(grid.NextAfter(4, grid.Deadline(4) + interval / 4), 5);
        EXPECT_EQ(grid.NextAfter(0, grid.Deadline(0)), 1);
    }
}

TEST(TickGrid, AHandlerSlightlySlowerThanTheIntervalKeepsMostOfTheRate) {
    // A handler taking 9 ms at an 8 ms interval: skipping every missed point would halve the
    // rate; ticking late instead keeps it close to what the handler allows (1000 / 9 per second).
    const std::int64_t frequency = 10'000'000;
    const TickGrid grid(0, 8, frequency);
    const std::int64_t handler = 9 * frequency / 1000;
    std::int64_t done = 0;
    std::int64_t now = 0;
    int ticks = 0;
    while (now < frequency) {  // one second
        const std::int64_t next = grid.NextAfter(done, now);
        now = std::max(now, grid.Deadline(next)) + handler;
        done = next;
        ++ticks;
    }
    EXPECT_GE(ticks, 95);  // skipping every missed point would give 63
    EXPECT_LE(ticks, 112);
}

}  // namespace
}  // namespace kino
