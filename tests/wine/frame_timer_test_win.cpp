// The frame clock on a real message loop, its ticks handled as its header tells a window to:
// where ticks arrive, that only one is ever queued, that stale ticks are refused. No timing
// thresholds: the waits below only keep a broken clock from hanging the run.
#include "playback/frame_timer_win.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace kino {
namespace {

constexpr UINT kTickMessage = WM_APP + 1;
constexpr DWORD kGiveUpMs = 10000;  // far beyond anything a working clock needs

// A message-only window whose current ticks run onTick, unless one is running already (a tick
// that a message box's loop inside the handler dispatches).
struct TickWindow {
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    FrameTimer timer{window, kTickMessage};
    bool busy = false;
    int handled = 0, nested = 0, stale = 0;  // ticks handled, accepted during a handler, refused
    std::function<void(TickWindow&)> onTick;

    ~TickWindow() { DestroyWindow(window); }
    void Start(int interval) {
        timer.SetInterval(interval);
        timer.SetEnabled(true);
    }
    // A message loop until done() (then true) or the time is up.
    bool Run(const std::function<bool()>& done, DWORD giveUpMs = kGiveUpMs) {
        const ULONGLONG end = GetTickCount64() + giveUpMs;
        for (; !done(); MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT)) {
            if (GetTickCount64() >= end) return false;
            for (MSG msg; !done() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
                if (msg.message != kTickMessage) {
                    DispatchMessageW(&msg);
                } else if (!timer.AcceptTick(msg.wParam)) {
                    ++stale;
                } else {
                    if (busy) {
                        ++nested;
                    } else {
                        ++handled;
                        busy = true;
                        if (onTick) onTick(*this);
                        busy = false;
                    }
                    timer.TickDone();
                }
            }
        }
        return true;
    }
    void Pump(DWORD milliseconds) { Run([] { return false; }, milliseconds); }
    // Takes every queued tick out of the queue, without handling it.
    std::vector<WPARAM> TakeQueuedTicks() {
        std::vector<WPARAM> ticks;
        for (MSG msg; PeekMessageW(&msg, window, kTickMessage, kTickMessage, PM_REMOVE);) ticks.push_back(msg.wParam);
        return ticks;
    }
    // Waits, without dispatching anything, until a tick is queued.
    bool WaitForQueuedTick() {
        MSG msg;
        for (const DWORD begin = GetTickCount(); GetTickCount() - begin < kGiveUpMs; Sleep(1))
            if (PeekMessageW(&msg, window, kTickMessage, kTickMessage, PM_NOREMOVE)) return true;
        return false;
    }
};

// No tick while disabled, without an interval, or before the first interval has passed; a
// disable or restart makes a queued tick stale.
TEST(FrameTimer, TicksOnlyWhileEnabledWithAnIntervalAndAQueuedOneGoesStale) {
    TickWindow w;
    w.timer.SetInterval(1);
    w.Pump(150);  // disabled
    w.Start(0);
    w.Pump(150);  // no interval
    w.Start(FrameTimer::kMaxInterval);
    w.Pump(150);  // the first tick waits one interval
    EXPECT_EQ(w.handled + w.stale, 0);
    w.Start(8);
    ASSERT_TRUE(w.WaitForQueuedTick());
    w.timer.SetEnabled(false);
    const std::vector<WPARAM> queued = w.TakeQueuedTicks();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_FALSE(w.timer.AcceptTick(queued[0]));
    w.Pump(150);
    EXPECT_EQ(w.handled + w.stale, 0) << "no tick while disabled";

    // Restarted with a tick queued: the old one is stale, and the next one is current.
    w.timer.SetEnabled(true);
    ASSERT_TRUE(w.WaitForQueuedTick());
    w.timer.SetInterval(8);
    std::vector<WPARAM> ticks = w.TakeQueuedTicks();
    for (const DWORD begin = GetTickCount(); ticks.size() < 2 && GetTickCount() - begin < kGiveUpMs; Sleep(8))
        for (WPARAM tick : w.TakeQueuedTicks()) ticks.push_back(tick);
    ASSERT_EQ(ticks.size(), 2u);
    EXPECT_NE(ticks[0], queued[0]);
    EXPECT_FALSE(w.timer.AcceptTick(ticks[0]));
    EXPECT_TRUE(w.timer.AcceptTick(ticks[1]));
    w.timer.TickDone();
}

// Counted from a press longer ago than the interval (a long load): the first tick comes at once
// and the next a whole interval after it, not on the press's grid (2.3 intervals back).
TEST(FrameTimer, CountedFromAnEarlierPressTicksAtOnceThenAfterAWholeInterval) {
    TickWindow w;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    w.timer.CountNextStartFrom(FrameTimer::Now() - frequency.QuadPart * FrameTimer::kMaxInterval * 23 / 10000);
    w.Start(FrameTimer::kMaxInterval);
    EXPECT_TRUE(w.Run([&] { return w.handled == 1; }));
    w.Pump(150);
    EXPECT_EQ(w.handled, 1);
}

// A slow handler never finds a tick queued behind it; one that stops the clock (the end of a
// range played once) gets no more.
TEST(FrameTimer, NeverMoreThanOneTickQueuedAndNoneAfterAHandlerStopsTheClock) {
    TickWindow w;
    int queuedDuringHandler = 0;
    w.onTick = [&](TickWindow& self) {
        Sleep(3 * 8);  // three intervals: a periodic timer would have queued three ticks by now
        queuedDuringHandler += static_cast<int>(self.TakeQueuedTicks().size());
        if (self.handled == 10) self.timer.SetEnabled(false);
    };
    w.Start(8);
    w.Pump(600);
    EXPECT_EQ(w.handled, 10);
    EXPECT_EQ(queuedDuringHandler + w.nested + w.stale, 0);
}

// Restarted inside the handler, whose new first tick is posted (and, in a box's loop, accepted
// and left unhandled) while it still runs: finishing the outer tick must not let a second one queue.
TEST(FrameTimer, AHandlerThatRestartsTheClockLeavesOneTick) {
    for (bool modalLoop : {false, true}) {
        SCOPED_TRACE(modalLoop ? "with a modal loop" : "without");
        TickWindow w;
        w.onTick = [&](TickWindow& self) {
            self.timer.SetEnabled(false);
            self.timer.SetEnabled(true);
            if (modalLoop) self.Run([&] { return self.nested > 0; });
            ASSERT_TRUE(self.WaitForQueuedTick());
        };
        w.Start(8);
        EXPECT_TRUE(w.Run([&] { return w.handled == 1; }));
        EXPECT_EQ(w.nested, modalLoop ? 1 : 0);
        Sleep(10 * 8);
        const std::vector<WPARAM> queued = w.TakeQueuedTicks();
        ASSERT_EQ(queued.size(), 1u);
        EXPECT_TRUE(w.timer.AcceptTick(queued[0]));
        w.timer.TickDone();
    }
}

}  // namespace
}  // namespace kino
