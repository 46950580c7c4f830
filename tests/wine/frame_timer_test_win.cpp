// The frame clock on a real message loop: where ticks arrive, that only one is ever queued, that
// stale ticks are refused. No timing thresholds: the waits below only keep a broken clock from
// hanging the run.
#include "playback/frame_timer_win.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace kino {
namespace {

constexpr UINT kTickMessage = WM_APP + 1;
constexpr UINT_PTR kGiveUpTimer = 1;
constexpr UINT kGiveUpMs = 10000;  // far beyond anything a working clock needs

// A message-only window that handles ticks the way the main window does, and counts them.
struct TickWindow {
    HWND window = nullptr;
    std::unique_ptr<FrameTimer> timer;
    bool inHandler = false;
    int handled = 0;     // ticks that ran the handler
    int dropped = 0;     // current ticks dispatched while a handler was running
    int stale = 0;       // ticks refused by AcceptTick
    int offThread = 0;   // ticks seen on another thread
    int stopAfter = -1;  // end the loop after this many handled ticks
    bool gaveUp = false;
    std::function<void(TickWindow&)> onTick;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TickWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!self) return DefWindowProcW(window, message, wParam, lParam);
        if (message == kTickMessage) self->OnTick(wParam);
        else if (message == WM_TIMER) self->gaveUp = true;
        else return DefWindowProcW(window, message, wParam, lParam);
        return 0;
    }
    void OnTick(WPARAM wParam) {
        if (GetCurrentThreadId() != GetWindowThreadProcessId(window, nullptr)) ++offThread;
        if (!timer->AcceptTick(wParam)) {
            ++stale;
            return;
        }
        if (inHandler) {
            ++dropped;
        } else {
            ++handled;
            inHandler = true;
            if (onTick) onTick(*this);
            inHandler = false;
        }
        timer->TickDone();
    }

    TickWindow() {
        static const ATOM atom = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"KinoFrameTimerTest";
            return RegisterClassW(&wc);
        }();
        window = CreateWindowExW(0, MAKEINTATOM(atom), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        timer = std::make_unique<FrameTimer>(window, kTickMessage);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~TickWindow() {
        timer.reset();
        DestroyWindow(window);
    }

    void Start(int interval) {
        timer->SetInterval(interval);
        timer->SetEnabled(true);
    }
    // A plain message loop, until stopAfter ticks were handled or giveUpMs passed.
    void RunLoop(UINT giveUpMs = kGiveUpMs) {
        gaveUp = false;
        SetTimer(window, kGiveUpTimer, giveUpMs, nullptr);
        RunNestedLoop([this] { return stopAfter >= 0 && handled >= stopAfter; });
        KillTimer(window, kGiveUpTimer);
    }
    // Like a message box's loop inside a handler: dispatches everything until done() or give-up.
    void RunNestedLoop(const std::function<bool()>& done) {
        MSG msg;
        while (!done() && !gaveUp && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    }
    // Takes every queued tick out of the queue, without dispatching it.
    std::vector<WPARAM> TakeQueuedTicks() {
        std::vector<WPARAM> ticks;
        MSG msg;
        while (PeekMessageW(&msg, window, kTickMessage, kTickMessage, PM_REMOVE)) ticks.push_back(msg.wParam);
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

TEST(FrameTimer, TicksComeThroughTheLoopOnlyWhileEnabledWithAnInterval) {
    TickWindow w;
    EXPECT_FALSE(w.timer->Enabled());
    w.timer->SetInterval(70000);
    EXPECT_EQ(w.timer->Interval(), FrameTimer::kMaxInterval);
    w.timer->SetInterval(1);
    w.RunLoop(150);  // disabled
    w.Start(0);
    w.RunLoop(150);  // no interval
    w.Start(FrameTimer::kMaxInterval);
    w.RunLoop(150);  // the first tick waits one interval
    EXPECT_EQ(w.handled + w.stale, 0);
    w.Start(8);
    w.stopAfter = 20;
    w.RunLoop();
    EXPECT_FALSE(w.gaveUp);
    EXPECT_EQ(w.handled, 20);
    EXPECT_EQ(w.offThread + w.dropped + w.stale, 0);
}

TEST(FrameTimer, DisablingOrRestartingMakesAQueuedTickStale) {
    TickWindow w;
    w.Start(8);
    ASSERT_TRUE(w.WaitForQueuedTick());
    w.timer->SetEnabled(false);
    const std::vector<WPARAM> queued = w.TakeQueuedTicks();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_FALSE(w.timer->AcceptTick(queued[0]));
    w.RunLoop(150);
    EXPECT_EQ(w.handled + w.stale, 0) << "no tick while disabled";

    // Restarted with a tick queued: the old one is stale, and the next one is current.
    w.timer->SetEnabled(true);
    ASSERT_TRUE(w.WaitForQueuedTick());
    w.timer->SetInterval(8);
    std::vector<WPARAM> ticks = w.TakeQueuedTicks();
    for (const DWORD begin = GetTickCount(); ticks.size() < 2 && GetTickCount() - begin < kGiveUpMs; Sleep(8))
        for (WPARAM tick : w.TakeQueuedTicks()) ticks.push_back(tick);
    ASSERT_EQ(ticks.size(), 2u);
    EXPECT_NE(ticks[0], queued[0]);
    EXPECT_FALSE(w.timer->AcceptTick(ticks[0]));
    EXPECT_TRUE(w.timer->AcceptTick(ticks[1]));
    w.timer->TickDone();
}

TEST(FrameTimer, NeverMoreThanOneTickQueuedEvenWithASlowHandler) {
    TickWindow w;
    int queuedDuringHandler = 0;
    w.onTick = [&](TickWindow& self) {
        Sleep(3 * 8);  // three intervals: a periodic timer would have queued three ticks by now
        queuedDuringHandler += static_cast<int>(self.TakeQueuedTicks().size());
    };
    w.Start(8);
    w.stopAfter = 15;
    w.RunLoop();
    EXPECT_EQ(w.handled, 15);
    EXPECT_EQ(queuedDuringHandler + w.stale, 0);
    // A tick not yet done is never followed by another.
    ASSERT_TRUE(w.WaitForQueuedTick());
    Sleep(10 * 8);
    EXPECT_EQ(w.TakeQueuedTicks().size(), 1u);
}

TEST(FrameTimer, AHandlerThatStopsOrRestartsTheClockLeavesAtMostOneTick) {
    // The Start/Stop command run from inside a tick at the end of a range.
    TickWindow stopping;
    stopping.onTick = [](TickWindow& self) {
        if (self.handled == 3) self.timer->SetEnabled(false);
    };
    stopping.Start(8);
    stopping.RunLoop(300);
    EXPECT_EQ(stopping.handled, 3);
    EXPECT_EQ(stopping.stale, 0);

    // Restarted inside the handler, whose new first tick is posted (and, in a box's loop,
    // dropped) while it still runs: finishing the outer tick must not let a second one queue.
    for (bool modalLoop : {false, true}) {
        SCOPED_TRACE(modalLoop ? "with a modal loop" : "without");
        TickWindow w;
        w.onTick = [&](TickWindow& self) {
            self.timer->SetEnabled(false);
            self.timer->SetEnabled(true);
            if (modalLoop) self.RunNestedLoop([&] { return self.dropped > 0; });
            ASSERT_TRUE(self.WaitForQueuedTick());
        };
        w.Start(8);
        w.stopAfter = 1;
        w.RunLoop();
        ASSERT_EQ(w.handled, 1);
        EXPECT_EQ(w.dropped, modalLoop ? 1 : 0);
        Sleep(10 * 8);
        const std::vector<WPARAM> queued = w.TakeQueuedTicks();
        ASSERT_EQ(queued.size(), 1u);
        EXPECT_TRUE(w.timer->AcceptTick(queued[0]));
        w.timer->TickDone();
    }
}

}  // namespace
}  // namespace kino
