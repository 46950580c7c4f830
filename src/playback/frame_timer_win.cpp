#include "playback/frame_timer_win.h"

#include "playback/tick_grid.h"

#include <mmsystem.h>

#include <algorithm>
#include <system_error>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace kino {
namespace {

std::int64_t CounterFrequency() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

UniqueHandle MakeWaitableTimer(bool& highResolution) {
    // The high-resolution kind (Windows 10 1803 on) doesn't depend on the system timer period;
    // older systems refuse the flag.
    UniqueHandle timer(CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                              TIMER_ALL_ACCESS));
    highResolution = static_cast<bool>(timer);
    if (!timer) timer.reset(CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS));
    return timer;
}

}  // namespace

std::int64_t FrameTimer::Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

FrameTimer::FrameTimer(HWND target, UINT message)
    : target_(target), message_(message), frequency_(CounterFrequency()), timer_(MakeWaitableTimer(highResolution_)) {
    wake_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!wake_) throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "CreateEventW");
    thread_ = std::thread(&FrameTimer::Run, this);
}

FrameTimer::~FrameTimer() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    SetEvent(wake_.get());
    if (thread_.joinable()) thread_.join();
    RaisePeriod(false);
}

void FrameTimer::SetInterval(int milliseconds) {
    {
        std::lock_guard lock(mutex_);
        interval_ = std::clamp(milliseconds, 0, kMaxInterval);
        if (enabled_) Restart();
    }
    SetEvent(wake_.get());
}

void FrameTimer::SetEnabled(bool enabled) {
    {
        std::lock_guard lock(mutex_);
        if (enabled_ == enabled) return;
        enabled_ = enabled;
        Restart();
        if (enabled && countFrom_ >= 0) start_ = std::max(countFrom_, start_ - interval_ * frequency_ / 1000);
        countFrom_ = -1;
    }
    SetEvent(wake_.get());
    RaisePeriod(enabled);
}

bool FrameTimer::Enabled() const {
    std::lock_guard lock(mutex_);
    return enabled_;
}

void FrameTimer::CountNextStartFrom(std::int64_t moment) {
    std::lock_guard lock(mutex_);
    countFrom_ = moment;
}

bool FrameTimer::AcceptTick(WPARAM wParam) {
    std::lock_guard lock(mutex_);
    if (!enabled_ || !outstanding_ || static_cast<std::uint32_t>(wParam) != tick_) return false;
    accepted_.push_back(tick_);
    return true;
}

void FrameTimer::TickDone() {
    {
        std::lock_guard lock(mutex_);
        if (accepted_.empty()) return;
        const std::uint32_t done = accepted_.back();
        accepted_.pop_back();
        // A handler that restarted the clock has already let its tick go; the tick posted since
        // must stay the only one until it is done itself.
        if (!outstanding_ || done != tick_) return;
        outstanding_ = false;
    }
    SetEvent(wake_.get());
}

void FrameTimer::Restart() {
    ++generation_;
    outstanding_ = false;
    start_ = Now();
}

void FrameTimer::RaisePeriod(bool raise) {
    // Only needed where waits follow the system timer period.
    if (highResolution_ || raise == periodRaised_) return;
    if (raise) {
        periodRaised_ = timeBeginPeriod(1) == TIMERR_NOERROR;
    } else {
        timeEndPeriod(1);
        periodRaised_ = false;
    }
}

void FrameTimer::Run() {
    // Waking on time matters more than anything this thread could delay; it does almost no work.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    // A wake this close to the deadline counts as on time (the timer may round differently from
    // the counter); the grid itself never moves.
    const std::int64_t slack = frequency_ / 10000;
    // The system wakes a waiting thread a little late, by a fairly steady amount (under Wine
    // about 0.7 ms). The thread learns that amount and asks to be woken that much early, so that
    // ticks are centred on their deadlines instead of trailing them. Never more than 2 ms.
    const std::int64_t maxLead = frequency_ / 500;
    std::int64_t lead = 0;

    bool known = false;
    std::uint32_t generation = 0;
    std::int64_t next = 1;  // grid index of the next tick
    std::int64_t done = 0;  // grid index of the last tick posted
    bool posted = false;    // a tick went out; next is chosen once it is done
    for (;;) {
        bool idle = true;
        bool post = false;
        std::int64_t remaining = 0;
        std::uint32_t tick = 0;
        {
            std::lock_guard lock(mutex_);
            if (quit_) return;
            if (!known || generation_ != generation) {
                known = true;
                generation = generation_;
                next = 1;
                done = 0;
                posted = false;
            }
            if (enabled_ && interval_ > 0 && !outstanding_) {
                idle = false;
                const TickGrid grid(start_, interval_, frequency_);
                const std::int64_t now = Now();
                if (posted) {
                    // A tick may go out a little before its deadline: never the same point twice.
                    next = std::max(grid.NextAfter(done, now), done + 1);
                    posted = false;
                }
                remaining = grid.Deadline(next) - now;
                if (remaining <= std::min(lead, (grid.Deadline(next) - grid.Deadline(next - 1)) / 4) + slack) {
                    tick = ++tick_;
                    outstanding_ = true;
                    post = true;
                }
            }
        }
        if (idle) {
            if (timer_) CancelWaitableTimer(timer_.get());
            WaitForSingleObject(wake_.get(), INFINITE);
            continue;
        }
        if (post) {
            posted = true;
            done = next;
            if (!PostMessageW(target_, message_, tick, 0)) {
                // The queue is full or the window is gone: drop this tick, keep the grid.
                std::lock_guard lock(mutex_);
                outstanding_ = false;
            }
            continue;
        }
        // Relative due time in 100 ns units, rounded up.
        const std::int64_t wait = std::max<std::int64_t>(1, remaining - lead);
        LARGE_INTEGER due;
        due.QuadPart = -std::max<std::int64_t>(1, (wait * 10000000 + frequency_ - 1) / frequency_);
        const std::int64_t expected = Now() + wait;
        if (timer_ && SetWaitableTimer(timer_.get(), &due, 0, nullptr, nullptr, FALSE)) {
            const HANDLE handles[] = {wake_.get(), timer_.get()};
            if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
                const std::int64_t late = Now() - expected;
                lead = std::clamp(lead + (late - lead) / 8, std::int64_t{0}, maxLead);
            }
        } else {
            const auto ms = static_cast<DWORD>((remaining * 1000 + frequency_ - 1) / frequency_);
            WaitForSingleObject(wake_.get(), ms);
        }
    }
}

}  // namespace kino
