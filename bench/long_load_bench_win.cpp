// Long loads on the real window, against the load as it used to be (LoadFrameImages on the
// window's thread, every file of the type in the folder):
//   1. how long the window takes to answer WM_NULL during a long 1080p PNG load, and how often
//      the progress text changes;
//   2. the load time with the window pumping messages (and nobody probing it) against the
//      blocking load, over several alternating runs;
//   3. a folder holding the range and four other sequences of its size: time and memory;
//   4. how long after a cancel the load's last thread ends.
//
//   long_load_bench.exe [frames] [other]   frames of the long load (default 300), and of each
//                                          sequence of the mixed folder (default 40)
#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

// The Windows tests' helpers write the sample files; a benchmark is built from its one file.
#include "../tests/wine/test_support_win.cpp"
#include "app/main_window_win.h"
#include "base/message_box_win.h"
#include "base/text_win.h"
#include "bench_support_win.h"
#include "framestore/file_system_win.h"
#include "imaging/gdiplus2_win.h"
#include "imaging/image_service_win.h"
#include "playback/load_job.h"

namespace kino {
namespace {

constexpr int kDistinct = 8;  // distinct frames; the others are copies

// prefix0.png … in folder, from kDistinct encoded 1080p frames.
void WriteSequence(const std::wstring& folder, const std::wstring& prefix, int frames) {
    CreateDirectoryW(folder.c_str(), nullptr);
    for (int n = 0; n < frames; ++n) {
        const std::wstring path = folder + L"\\" + prefix + std::to_wstring(n) + L".png";
        if (n < kDistinct) {
            test::SaveWithGdiplus(path, 1920, 1080, FramePixels(1920, 1080, n, false), test::Encoder::Png);
        } else {
            CopyFileW((folder + L"\\" + prefix + std::to_wstring(n % kDistinct) + L".png").c_str(), path.c_str(), FALSE);
        }
    }
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

struct WindowLoadFigures {
    double ms = 0;
    double clickMs = 0;  // the press itself: the checks, the listing, the start of the load
    double longestAnswerMs = 0;  // after the press
    int progressChanges = 0;
    double longestProgressGapMs = 0;
    std::size_t frames = 0;
    Text info;
};

// Sets the window to prefix0..last of folder, presses the play button and pumps messages until
// the load has ended, while another thread sends WM_NULL every 5 ms and times the answer. Then
// stops and releases the frames, so that the next load starts from the same memory.
WindowLoadFigures LoadInWindow(HWND form, const std::wstring& folder, int last, bool probe) {
    SetWindowTextW(ControlOf(form, IdFolderLabel), folder.c_str());
    SetWindowTextW(ControlOf(form, IdPrefixBox), L"img");
    SetWindowTextW(ControlOf(form, IdFirstNumberBox), L"0");
    SetWindowTextW(ControlOf(form, IdLastNumberBox), std::to_wstring(last).c_str());
    SendMessageW(ControlOf(form, IdTypeList), CB_SETCURSEL, 2, 0);

    WindowLoadFigures figures;
    std::atomic<bool> done{false}, pressed{false}, proberEnded{false};
    std::atomic<double> longest{0};
    std::thread prober([&] {
        while (probe && !done) {
            const bool afterPress = pressed;  // sent once the press has returned
            const Clock::time_point sent = Clock::now();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
            if (afterPress) longest = std::max(longest.load(), MsSince(sent));
            Sleep(5);
        }
        proberEnded = true;
    });
    const Clock::time_point start = Clock::now();
    SendMessageW(ControlOf(form, IdPlayButton), BM_CLICK, 0, 0);
    figures.clickMs = MsSince(start);
    pressed = true;
    Text shown = WindowText(ControlOf(form, IdInfoBox));
    Clock::time_point changed = Clock::now();
    while (LoadingOf(form)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        Pump();
        const Text text = WindowText(ControlOf(form, IdInfoBox));
        if (text != shown && LoadingOf(form)) {
            shown = text;
            ++figures.progressChanges;
            figures.longestProgressGapMs = std::max(figures.longestProgressGapMs, MsSince(changed));
            changed = Clock::now();
        }
    }
    figures.ms = MsSince(start);
    done = true;
    while (!proberEnded) {  // its last WM_NULL is answered, not left to time out
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        Pump();
    }
    prober.join();
    figures.longestAnswerMs = longest;
    figures.frames = PlaybackOf(form).frames.size();
    figures.info = WindowText(ControlOf(form, IdInfoBox));
    if (ClockEnabledOf(form)) SendMessageW(ControlOf(form, IdPlayButton), BM_CLICK, 0, 0);
    GdiplusImageService images;
    ReleaseFrameImages(PlaybackOf(form).frames, images);
    Pump();
    return figures;
}

// The load as it used to be: every file of the type, decoded while the caller waits.
double BlockingLoad(const std::wstring& folder, const Platform& platform, double* heldBytes = nullptr) {
    FrameArray store;
    const double before = PrivateBytes();
    const Clock::time_point start = Clock::now();
    LoadFrameImages(store, FromWide(folder.c_str()), 2, platform);
    const double ms = MsSince(start);
    if (heldBytes) *heldBytes = PrivateBytes() - before;
    ReleaseFrameImages(store, platform.images);
    return ms;
}

// Cancels a load of the folder's files after delayMs; the ms until its thread's last act.
double CancelLatency(const std::wstring& folder, const Platform& platform, DWORD delayMs) {
    std::mutex mutex;
    std::condition_variable ended;
    Clock::time_point endedAt{};
    bool hasEnded = false;
    LoadJob job(ListFrameFiles(FromWide(folder.c_str()), 2, platform), platform.images, u"", [&] {
        std::lock_guard<std::mutex> lock(mutex);
        endedAt = Clock::now();
        hasEnded = true;
        ended.notify_one();
    });
    Sleep(delayMs);
    const Clock::time_point cancelled = Clock::now();
    job.Cancel();
    std::unique_lock<std::mutex> lock(mutex);
    ended.wait(lock, [&] { return hasEnded; });
    lock.unlock();
    job.Finish();
    return std::chrono::duration<double, std::milli>(endedAt - cancelled).count();
}

int Run(int frames, int other) {
    if (InitGDIPlus(false, false, u"", 16, u"") != 0) {
        std::printf("GDI+ did not start\n");
        return 1;
    }
    test::TempFolder root;
    Win32FileSystem files;
    GdiplusImageService images;
    WindowMessageBoxes boxes;
    const Platform platform{files, images, boxes};
    constexpr int kRuns = 5;

    const std::wstring longFolder = root.File(L"long");
    WriteSequence(longFolder, L"img", frames);
    std::printf("1920x1080 PNG frames, %u decode threads\n", std::max(1u, std::thread::hardware_concurrency()));

    HWND form = CreateMainWindow(GetModuleHandleW(nullptr), MainWindowOptions{false});
    LoadMainWindow(form);
    ShowMainWindow(form, SW_SHOWNORMAL);
    Pump();

    std::printf("\n2. %d frames, the window pumping messages against the blocking load, %d alternating runs:\n",
                frames, kRuns);
    double bestWindow = 1e300, bestBlocking = 1e300;
    std::vector<double> paired;  // window / blocking, run by run
    for (int run = 0; run < kRuns; ++run) {
        // Each goes first in turn: the first load after a release finds less memory ready.
        double blocking = run % 2 ? BlockingLoad(longFolder, platform) : 0;
        const WindowLoadFigures window = LoadInWindow(form, longFolder, frames - 1, false);
        if (run % 2 == 0) blocking = BlockingLoad(longFolder, platform);
        bestBlocking = std::min(bestBlocking, blocking);
        bestWindow = std::min(bestWindow, window.ms);
        paired.push_back(window.ms / blocking);
        std::printf("  run %d: blocking %7.0f ms (window unanswered throughout); window %7.0f ms, %zu frames loaded\n",
                    run + 1, blocking, window.ms, window.frames);
        if (window.frames != static_cast<std::size_t>(frames)) {
            char info[256] = {};
            WideCharToMultiByte(CP_UTF8, 0, Wide(window.info), -1, info, sizeof info - 1, nullptr, nullptr);
            std::printf("  the window did not load them all: %s\n", info);
        }
    }
    std::sort(paired.begin(), paired.end());
    std::printf("  best: blocking %.0f ms, window %.0f ms: %.3f x (paired runs: median %.3f x, range %.3f-%.3f x)\n",
                bestBlocking, bestWindow, bestWindow / bestBlocking, paired[paired.size() / 2], paired.front(),
                paired.back());

    std::printf("\n1. the same load while another thread sends WM_NULL every 5 ms and times the answer:\n");
    for (int run = 0; run < 2; ++run) {
        const WindowLoadFigures window = LoadInWindow(form, longFolder, frames - 1, true);
        std::printf("  run %d: %7.0f ms; the press took %.1f ms, then the longest WM_NULL answer %.1f ms; progress "
                    "text changed %d times (%.1f/s, longest gap %.0f ms)\n",
                    run + 1, window.ms, window.clickMs, window.longestAnswerMs, window.progressChanges,
                    window.progressChanges / (window.ms / 1000.0), window.longestProgressGapMs);
    }
    DestroyWindow(form);  // ends GDI+ as the window's close does
    Pump();
    InitGDIPlus(false, false, u"", 16, u"");

    std::printf("\n3. %d frames of the range and four other sequences of %d in one folder:\n", other, other);
    const std::wstring mixed = root.File(L"mixed");
    WriteSequence(mixed, L"img", other);
    for (const wchar_t* prefix : {L"take1_", L"take2_", L"bg", L"fx"}) WriteSequence(mixed, prefix, other);
    double allHeld = 0, rangeHeld = 0, allMs = 1e300, rangeMs = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        allMs = std::min(allMs, BlockingLoad(mixed, platform, &allHeld));
        const double before = PrivateBytes();
        const Clock::time_point start = Clock::now();
        FrameFiles range = ListFrameFiles(FromWide(mixed.c_str()), 2, platform);
        KeepFramesWithKeys(range, KeysTheClockCanAskFor({}, u"img", 0, other - 1));  // the plain keys
        LoadJob job(std::move(range), images, u"", [] {});
        LoadJob::Result result = job.Finish();
        rangeMs = std::min(rangeMs, MsSince(start));
        rangeHeld = PrivateBytes() - before;
        ReleaseFrameImages(result.frames, images);
    }
    std::printf("  every file (as before): %7.0f ms, %7.1f MB held\n", allMs, allHeld / 1048576.0);
    std::printf("  the range only (now):   %7.0f ms, %7.1f MB held: %.2f of the time, %.2f of the memory\n", rangeMs,
                rangeHeld / 1048576.0, rangeMs / allMs, rangeHeld / allHeld);

    std::printf("\n4. cancel of the %d-frame load, from Cancel() to the end of its last thread:\n  ", frames);
    std::vector<double> latencies;
    for (DWORD delay : {300, 700, 1100, 1500, 1900}) {
        latencies.push_back(CancelLatency(longFolder, platform, delay));
        std::printf("%.1f ms  ", latencies.back());
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("\n  median %.1f ms, longest %.1f ms\n", latencies[latencies.size() / 2], latencies.back());
    TerminateGDIPlus();
    return 0;
}

}  // namespace
}  // namespace kino

int wmain(int argc, wchar_t** argv) {
    const int frames = argc > 1 ? std::max(8, _wtoi(argv[1])) : 300;
    const int other = argc > 2 ? std::max(8, _wtoi(argv[2])) : 40;
    return kino::Run(frames, other);
}
