// FrameTimer's behaviour on a real message loop: where ticks arrive, that only one is ever
// queued, that stale ticks are refused, and that the thread ends cleanly. No timing thresholds:
// waits below are only upper limits that keep a broken timer from hanging the run.
#include "playback/frame_timer_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace kino {
namespace {

constexpr UINT kTickMessage = WM_APP + 1;
constexpr UINT kClickMessage = WM_APP + 2;  // stands for any other handler, e.g. a button click
constexpr UINT_PTR kGiveUpTimer = 1;
constexpr UINT_PTR kNestedLoopTimer = 2;
constexpr UINT kGiveUpMs = 10000;  // far beyond anything a working timer needs

// A hidden window that handles ticks the way the main window does, and counts what happened.
struct TickWindow {
    HWND window = nullptr;
    std::unique_ptr<FrameTimer> timer;
    DWORD thread = GetCurrentThreadId();
    bool inHandler = false;
    int handled = 0;     // ticks that ran the handler
    int dropped = 0;     // current ticks dispatched while a handler was running
    int stale = 0;       // ticks refused by AcceptTick
    int offThread = 0;   // ticks seen on another thread
    int stopAfter = -1;  // end the loop after this many handled ticks
    bool gaveUp = false;
    int clicks = 0;
    std::function<void(TickWindow&)> onTick;
    std::function<void(TickWindow&)> onClick;
    std::function<void()> onNestedTimer;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TickWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == kTickMessage) {
            self->OnTickMessage(wParam);
            return 0;
        }
        if (self && message == kClickMessage) {
            // The window's other handlers set the same flag as the tick handler.
            self->inHandler = true;
            ++self->clicks;
            if (self->onClick) self->onClick(*self);
            self->inHandler = false;
            return 0;
        }
        if (self && message == WM_TIMER && wParam == kGiveUpTimer) {
            self->gaveUp = true;
            return 0;
        }
        if (self && message == WM_TIMER && wParam == kNestedLoopTimer) {
            if (self->onNestedTimer) self->onNestedTimer();
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    void OnTickMessage(WPARAM wParam) {
        if (GetCurrentThreadId() != thread) ++offThread;
        if (!timer || !timer->AcceptTick(wParam)) {
            ++stale;
            return;
        }
        if (inHandler) {
            ++dropped;
        } else {
            inHandler = true;
            ++handled;
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
        window = CreateWindowExW(0, MAKEINTATOM(atom), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        timer = std::make_unique<FrameTimer>(window, kTickMessage);
    }

    ~TickWindow() {
        timer.reset();
        MSG msg;
        while (PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) {
        }
        DestroyWindow(window);
    }

    // A plain GetMessage loop, until stopAfter ticks were handled or giveUpMs passed.
    void RunLoop(UINT giveUpMs = kGiveUpMs) {
        gaveUp = false;
        SetTimer(window, kGiveUpTimer, giveUpMs, nullptr);
        RunNestedLoop([this] { return stopAfter >= 0 && handled >= stopAfter; });
        KillTimer(window, kGiveUpTimer);
    }

    void Start(int interval) {
        timer->SetInterval(interval);
        timer->SetEnabled(true);
    }

    // Like a message box's loop inside a handler: dispatches everything until done() or give-up.
    template <typename Done>
    void RunNestedLoop(Done done) {
        MSG msg;
        while (!done() && !gaveUp && GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    // Takes every queued tick message out of the queue, without dispatching it.
    std::vector<WPARAM> TakeQueuedTicks() {
        std::vector<WPARAM> ticks;
        MSG msg;
        while (PeekMessageW(&msg, window, kTickMessage, kTickMessage, PM_REMOVE)) ticks.push_back(msg.wParam);
        return ticks;
    }

    bool TickQueued() {
        MSG msg;
        return PeekMessageW(&msg, window, kTickMessage, kTickMessage, PM_NOREMOVE | PM_NOYIELD) != 0;
    }

    // Waits, without dispatching anything, until a tick message is queued.
    bool WaitForQueuedTick(DWORD giveUpMs = kGiveUpMs) {
        const DWORD begin = GetTickCount();
        while (!TickQueued()) {
            if (GetTickCount() - begin > giveUpMs) return false;
            Sleep(1);
        }
        return true;
    }
};

TEST(FrameTimer, StartsDisabledAndClampsTheInterval) {
    TickWindow w;
    EXPECT_FALSE(w.timer->Enabled());
    EXPECT_EQ(w.timer->Interval(), 0);
    w.timer->SetInterval(142);
    EXPECT_EQ(w.timer->Interval(), 142);
    w.timer->SetInterval(70000);
    EXPECT_EQ(w.timer->Interval(), FrameTimer::kMaxInterval);
    w.timer->SetInterval(-5);
    EXPECT_EQ(w.timer->Interval(), 0);
    w.timer->SetEnabled(true);
    EXPECT_TRUE(w.timer->Enabled());
    w.timer->SetEnabled(false);
    EXPECT_FALSE(w.timer->Enabled());
}

TEST(FrameTimer, TicksArriveOnTheWindowThreadThroughTheMessageLoop) {
    TickWindow w;
    w.Start(8);
    w.stopAfter = 20;
    w.RunLoop();
    EXPECT_FALSE(w.gaveUp);
    EXPECT_EQ(w.handled, 20);
    EXPECT_EQ(w.offThread, 0);
    EXPECT_EQ(w.dropped, 0);
}

TEST(FrameTimer, NoTickWhileDisabledOrWithIntervalZero) {
    TickWindow w;
    w.timer->SetInterval(1);
    w.RunLoop(150);
    EXPECT_TRUE(w.gaveUp);
    EXPECT_EQ(w.handled + w.stale, 0);

    w.Start(0);
    w.RunLoop(150);
    EXPECT_TRUE(w.gaveUp);
    EXPECT_EQ(w.handled + w.stale, 0);
}

TEST(FrameTimer, FirstTickWaitsOneInterval) {
    TickWindow w;
    w.Start(FrameTimer::kMaxInterval);
    Sleep(50);
    EXPECT_FALSE(w.TickQueued());
}

TEST(FrameTimer, DisablingStopsTicksAndMakesAQueuedTickStale) {
    TickWindow w;
    w.Start(8);
    ASSERT_TRUE(w.WaitForQueuedTick());
    w.timer->SetEnabled(false);
    const std::vector<WPARAM> queued = w.TakeQueuedTicks();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_FALSE(w.timer->AcceptTick(queued[0]));

    w.RunLoop(150);
    EXPECT_TRUE(w.gaveUp);
    EXPECT_EQ(w.handled + w.stale, 0);
    EXPECT_FALSE(w.TickQueued());

    // Enabled again: the old tick stays stale, new ones are current.
    w.timer->SetEnabled(true);
    EXPECT_FALSE(w.timer->AcceptTick(queued[0]));
    ASSERT_TRUE(w.WaitForQueuedTick());
    const std::vector<WPARAM> fresh = w.TakeQueuedTicks();
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_NE(fresh[0], queued[0]);
    EXPECT_TRUE(w.timer->AcceptTick(fresh[0]));
    w.timer->TickDone();
}

TEST(FrameTimer, AnOldTickIsRefusedWhileANewOneIsQueuedBehindIt) {
    TickWindow w;
    w.Start(8);
    ASSERT_TRUE(w.WaitForQueuedTick());
    w.timer->SetInterval(8);  // restarts: the queued tick is now stale, a new one will follow
    std::vector<WPARAM> queued;
    const DWORD begin = GetTickCount();
    while (queued.size() < 2 && GetTickCount() - begin < kGiveUpMs) {
        Sleep(8);
        for (WPARAM tick : w.TakeQueuedTicks()) queued.push_back(tick);
    }
    ASSERT_EQ(queued.size(), 2u);
    EXPECT_FALSE(w.timer->AcceptTick(queued[0]));
    EXPECT_TRUE(w.timer->AcceptTick(queued[1]));
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
    EXPECT_FALSE(w.gaveUp);
    EXPECT_EQ(w.handled, 15);
    EXPECT_EQ(queuedDuringHandler, 0);
    EXPECT_EQ(w.stale, 0);

    // Not acknowledged, a tick is never followed by another.
    w.onTick = nullptr;
    ASSERT_TRUE(w.WaitForQueuedTick());
    Sleep(10 * 8);
    EXPECT_EQ(w.TakeQueuedTicks().size(), 1u);
}

TEST(FrameTimer, TicksDuringAModalLoopInAnotherHandlerAreDropped) {
    // A click handler showing a message box while the clock runs: the box's loop dispatches our
    // ticks, and the window's flag keeps them from running the tick handler inside it.
    TickWindow w;
    int droppedInsideLoop = 0;
    int handledInsideLoop = 0;
    w.onClick = [&](TickWindow& self) {
        const int droppedBefore = self.dropped;
        const int handledBefore = self.handled;
        self.RunNestedLoop([&] { return self.dropped - droppedBefore >= 5; });
        droppedInsideLoop = self.dropped - droppedBefore;
        handledInsideLoop = self.handled - handledBefore;
    };
    w.Start(8);
    PostMessageW(w.window, kClickMessage, 0, 0);
    w.stopAfter = 3;
    w.RunLoop();
    EXPECT_FALSE(w.gaveUp);
    EXPECT_EQ(w.clicks, 1);
    EXPECT_EQ(droppedInsideLoop, 5);  // ticks kept coming while the box was open
    EXPECT_EQ(handledInsideLoop, 0);  // and none of them ran the tick handler
    EXPECT_EQ(w.handled, 3);          // after it, ticks run the handler again
}

TEST(FrameTimer, NoTickReachesAModalLoopInsideTheTickHandler) {
    // A box opened by the tick handler itself (the frame store's, say): its tick is not done, so
    // no other tick is even posted while the box is open.
    TickWindow w;
    int seenInsideLoop = -1;
    w.onTick = [&](TickWindow& self) {
        if (self.handled != 1) return;
        const int before = self.dropped + self.stale;
        bool over = false;
        SetTimer(self.window, kNestedLoopTimer, 10 * 8, nullptr);
        self.onNestedTimer = [&] { over = true; };
        self.RunNestedLoop([&] { return over; });
        KillTimer(self.window, kNestedLoopTimer);
        seenInsideLoop = self.dropped + self.stale - before;
    };
    w.Start(8);
    w.stopAfter = 3;
    w.RunLoop();
    EXPECT_FALSE(w.gaveUp);
    EXPECT_EQ(seenInsideLoop, 0);
    EXPECT_EQ(w.handled, 3);
}

TEST(FrameTimer, ChangingTheIntervalTakesEffectAndRestarts) {
    TickWindow w;
    w.Start(FrameTimer::kMaxInterval);
    w.RunLoop(150);
    EXPECT_TRUE(w.gaveUp);
    EXPECT_EQ(w.handled, 0);

    w.timer->SetInterval(8);
    EXPECT_TRUE(w.timer->Enabled());
    w.stopAfter = 5;
    w.RunLoop();
    EXPECT_FALSE(w.gaveUp);
    EXPECT_EQ(w.handled, 5);

    // Back to a long interval: a tick queued at the short one is stale, and none follows.
    ASSERT_TRUE(w.WaitForQueuedTick());
    w.timer->SetInterval(FrameTimer::kMaxInterval);
    EXPECT_EQ(w.timer->Interval(), FrameTimer::kMaxInterval);
    w.stopAfter = -1;
    w.RunLoop(150);
    EXPECT_EQ(w.handled, 5);
    EXPECT_EQ(w.stale, 1);
}

TEST(FrameTimer, AHandlerThatStopsTheClockGetsNoMoreTicks) {
    // What the Start/Stop command does from inside a tick at the end of a range.
    TickWindow w;
    w.onTick = [](TickWindow& self) {
        if (self.handled == 3) {
            self.timer->SetInterval(8);
            self.timer->SetEnabled(false);
        }
    };
    w.Start(8);
    w.RunLoop(300);
    EXPECT_TRUE(w.gaveUp);
    EXPECT_EQ(w.handled, 3);
    EXPECT_EQ(w.stale, 0);
}

// The handler restarts the clock and the new run's first tick is posted while it still runs,
// optionally after a box's loop in the handler dispatched (and dropped) a tick of the new run.
// Finishing the outer tick afterwards must not let a second tick be queued.
void CheckRestartInsideTheHandler(bool modalLoop) {
    SCOPED_TRACE(modalLoop ? "with a modal loop" : "without a modal loop");
    TickWindow w;
    w.onTick = [&](TickWindow& self) {
        if (self.handled > 1) return;
        self.timer->SetEnabled(false);
        self.timer->SetEnabled(true);
        if (modalLoop) {
            const int droppedBefore = self.dropped;
            self.RunNestedLoop([&] { return self.dropped > droppedBefore; });
        }
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

TEST(FrameTimer, AHandlerThatRestartsTheClockStillLeavesOneTickQueued) {
    CheckRestartInsideTheHandler(false);
    CheckRestartInsideTheHandler(true);
}

TEST(FrameTimer, DestructionJoinsTheThreadInAnyState) {
    for (int i = 0; i < 20; ++i) {
        TickWindow w;  // never enabled
    }
    for (int i = 0; i < 20; ++i) {
        TickWindow w;  // waiting for a deadline
        w.Start(FrameTimer::kMaxInterval);
    }
    for (int i = 0; i < 10; ++i) {
        TickWindow w;  // waiting for a queued tick to be done
        w.Start(1);
        ASSERT_TRUE(w.WaitForQueuedTick());
    }
    {
        TickWindow w;  // while the loop runs
        w.Start(1);
        w.stopAfter = 10;
        w.RunLoop();
        EXPECT_EQ(w.handled, 10);
    }
}

}  // namespace
}  // namespace kino
