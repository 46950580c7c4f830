// The frame clock: a timer that ticks every interval (1 to 65535 ms) through the window's message loop.
//
// Window timers can't do it: SetTimer raises short intervals to 10 ms and on Windows fires on the
// 15.6 ms system tick. A thread of our own waits on a high-resolution waitable timer for absolute
// deadlines (start + k * interval) and posts one tick message at a time to the window. The next
// tick is posted only after the window has acknowledged the last one, at the next grid point
// (one missed by less than half an interval is still due at once): a late tick never brings a
// burst of catch-up ticks, and over a long run there is no drift.
//
// The window procedure does:
//   case kTickMessage:
//       if (timer.AcceptTick(wParam)) { if (!inHandler) RunTick(); timer.TickDone(); }
//       return 0;
// All members are called on the window's thread.
#pragma once
#include <windows.h>

#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "base/handles_win.h"

namespace kino {

class FrameTimer {
public:
    static constexpr int kMaxInterval = 65535;

    // Ticks are posted to target as message (wParam identifies the tick, lParam = 0).
    // Starts disabled, Interval 0. Throws std::system_error if its thread or events can't be made.
    FrameTimer(HWND target, UINT message);
    ~FrameTimer();  // stops and joins the thread; a tick still queued is then ignored
    FrameTimer(const FrameTimer&) = delete;
    FrameTimer& operator=(const FrameTimer&) = delete;

    // Clamped to 0..kMaxInterval; 0 means no ticks. While enabled, the interval restarts from now.
    void SetInterval(int milliseconds);

    // Enabling starts the interval from now (the first tick comes one interval later); disabling
    // stops ticks and makes a queued tick stale. Setting the current value again changes nothing.
    void SetEnabled(bool enabled);
    bool Enabled() const;

    // The next enable counts its first interval from this earlier moment (a Now() value: the
    // press that began a load) instead of from itself, but from no further back than one
    // interval: a load shorter than the interval doesn't delay the first tick, and after a
    // longer one the first tick comes at once and the next a whole interval later.
    void CountNextStartFrom(std::int64_t moment);
    static std::int64_t Now();  // the performance counter

    // True when a tick message with this wParam is current and must be handled; the caller then
    // calls TickDone once the handler has finished (or was skipped). False for a stale tick.
    // Accepted ticks may nest (one dispatched by a modal loop inside a handler); each TickDone
    // finishes the innermost.
    bool AcceptTick(WPARAM wParam);
    void TickDone();

private:
    void Restart();  // new generation, interval measured from now; lock held
    void Run();
    void RaisePeriod(bool raise);

    const HWND target_;
    const UINT message_;
    const std::int64_t frequency_;  // QueryPerformanceCounter ticks per second
    UniqueHandle timer_;            // waitable timer; null if none could be made
    UniqueHandle wake_;             // auto-reset: any change the thread must look at
    bool highResolution_ = false;
    bool periodRaised_ = false;

    mutable std::mutex mutex_;
    bool enabled_ = false;
    bool quit_ = false;
    int interval_ = 0;
    std::uint32_t generation_ = 0;  // bumped by every enable, disable and interval change
    std::int64_t start_ = 0;        // counter value the deadlines of this generation count from
    std::int64_t countFrom_ = -1;   // CountNextStartFrom's moment, until an enable or disable
    std::uint32_t tick_ = 0;        // wParam of the last tick posted
    bool outstanding_ = false;      // tick_ is current: posted and not yet done
    std::vector<std::uint32_t> accepted_;  // ticks being handled, innermost last

    std::thread thread_;  // last: starts after everything above exists
};

}  // namespace kino
