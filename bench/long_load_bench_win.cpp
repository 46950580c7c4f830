// Long loads on the real window:
//   1. how long the window takes to answer WM_NULL during a long 1080p PNG load, and how often
//      the progress text changes;
//   2. how long after a cancel the load's last thread ends.
//
//   long_load_bench.exe [frames]   frames of the long load (default 300)
#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sample_files_win.h"
#include "app/main_window_win.h"
#include "base/message_box_win.h"
#include "base/text_win.h"
#include "bench_support_win.h"
#include "window_driver_win.h"
#include "framestore/file_system_win.h"
#include "imaging/frame_images_win.h"
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
            const std::wstring original = folder + L"\\" + prefix + std::to_wstring(n % kDistinct) + L".png";
            CopyFileW(original.c_str(), path.c_str(), FALSE);
        }
    }
}

struct WindowLoadFigures {
    double ms = 0;
    double clickMs = 0;  // the press itself: the checks, the listing, the start of the load
    double longestAnswerMs = 0;  // after the press
    int progressChanges = 0;
    double longestProgressGapMs = 0;
    Text info;
};

// Sets the window to prefix0..last of folder, presses the play button and pumps messages until
// the load has ended, while another thread sends WM_NULL every 5 ms and times the answer. Then
// stops and releases the frames, so that the next load starts from the same memory.
WindowLoadFigures LoadInWindow(const test::WindowDriver& window, const std::wstring& folder, int last, bool probe) {
    window.Prepare(folder, L"0", std::to_wstring(last).c_str());
    const HWND form = window.Window();

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
    SendMessageW(window.Item(IdPlayButton), BM_CLICK, 0, 0);
    figures.clickMs = MsSince(start);
    pressed = true;
    Text shown = window.TextOf(IdInfoBox);
    Clock::time_point changed = Clock::now();
    window.PumpUntil([&] {
        const Text text = window.TextOf(IdInfoBox);
        if (text != shown && window.Loading()) {
            shown = text;
            ++figures.progressChanges;
            figures.longestProgressGapMs = std::max(figures.longestProgressGapMs, MsSince(changed));
            changed = Clock::now();
        }
        return !window.Loading();
    }, 600000);
    figures.ms = MsSince(start);
    done = true;
    window.PumpUntil([&] { return proberEnded.load(); }, 20000);  // its last WM_NULL answered, not timed out
    prober.join();
    figures.longestAnswerMs = longest;
    figures.info = window.TextOf(IdInfoBox);
    if (window.Playing()) window.Click(IdPlayButton);
    return figures;
}

// Cancels a load of the folder's files after delayMs; the ms until its thread's last act.
double CancelLatency(const std::wstring& folder, int frames, const Platform& platform, DWORD delayMs) {
    std::vector<Text> paths;
    for (int n = 0; n < frames; ++n) paths.push_back(FromWide(folder.c_str()) + u"\\img" + DecimalText(n) + u".png");
    std::mutex mutex;
    std::condition_variable ended;
    Clock::time_point endedAt{};
    bool hasEnded = false;
    LoadJob job(std::move(paths), ImageSize{256, 256}, platform.images, u"", [&] {
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

int Run(int frames) {
    if (InitGDIPlus() != 0) {
        std::printf("GDI+ did not start\n");
        return 1;
    }
    test::TempFolder root;
    Win32FileSystem files;
    GdiplusImageService images;
    const Platform platform{files, images};

    const std::wstring longFolder = root.File(L"long");
    WriteSequence(longFolder, L"img", frames);
    std::printf("1920x1080 PNG frames, %u decode threads\n", std::max(1u, std::thread::hardware_concurrency()));

    std::optional<test::WindowDriver> driver(std::in_place);
    std::printf("\n1. %d frames while another thread sends WM_NULL every 5 ms and times the answer:\n", frames);
    for (int run = 0; run < 2; ++run) {
        const WindowLoadFigures window = LoadInWindow(*driver, longFolder, frames - 1, true);
        std::printf("  run %d: %7.0f ms; the press took %.1f ms, then the longest WM_NULL answer %.1f ms; progress "
                    "text changed %d times (%.1f/s, longest gap %.0f ms)\n",
                    run + 1, window.ms, window.clickMs, window.longestAnswerMs, window.progressChanges,
                    window.progressChanges / (window.ms / 1000.0), window.longestProgressGapMs);
    }
    driver.reset();  // ends GDI+ as the window's close does
    InitGDIPlus();

    std::printf("\n2. cancel of the %d-frame load, from Cancel() to the end of its last thread:\n  ", frames);
    std::vector<double> latencies;
    for (DWORD delay : {300, 700, 1100, 1500, 1900}) {
        latencies.push_back(CancelLatency(longFolder, frames, platform, delay));
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
    return kino::Run(frames);
}
