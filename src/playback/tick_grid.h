// The deadlines of a periodic clock: start + k * interval, k = 1, 2, ..., in counter ticks.
#pragma once
#include <algorithm>
#include <cstdint>

namespace kino {

// The interval is kept as a whole number of counter ticks and a remainder in thousandths, so that
// no rounding error builds up over a long run whatever the counter's frequency.
class TickGrid {
public:
    TickGrid(std::int64_t start, int intervalMs, std::int64_t frequency)
        : start_(start),
          whole_(intervalMs * frequency / 1000),
          thousandths_(intervalMs * frequency % 1000),
          length_(static_cast<double>(intervalMs) * static_cast<double>(frequency) / 1000.0) {}

    std::int64_t Deadline(std::int64_t k) const { return start_ + k * whole_ + k * thousandths_ / 1000; }

    // The index of the first deadline strictly after now (never before index 1). The estimate is
    // never past it: Deadline(k) <= start + k * length, and the division errs far less than one.
    std::int64_t FirstAfter(std::int64_t now) const {
        std::int64_t k = std::max<std::int64_t>(1, static_cast<std::int64_t>((now - start_) / length_));
        while (Deadline(k) <= now) ++k;
        return k;
    }

    // The index of the tick to come after the tick of index done was handled, at now. Points
    // missed by more than half an interval are skipped rather than caught up in a burst; the
    // latest point missed by less is still due (a tick a little late, not a lost one), so a
    // handler that runs slightly long costs a little lateness instead of half the rate.
    std::int64_t NextAfter(std::int64_t done, std::int64_t now) const {
        const std::int64_t next = FirstAfter(now);
        const std::int64_t missed = next - 1;
        if (missed > done && 2 * (now - Deadline(missed)) < Deadline(next) - Deadline(missed)) return missed;
        return next;
    }

private:
    std::int64_t start_;
    std::int64_t whole_;
    std::int64_t thousandths_;
    double length_;
};

}  // namespace kino
