// How fast frames load and draw, and what they hold in memory. Generates its own sequences in a
// temporary folder, then for each one compares a plain one-thread GdipLoadImageFromFile loop
// (images kept alive, as that load would keep them) with LoadFrameImages (parallel decode into
// bitmaps of their own), and times the frame clock's draw (Cls + ShowFrameByName) of a 1080p
// frame into a 256 x 256 picture box. As a yardstick it also times the same plain loop on as
// many threads as LoadFrameImages uses: the most that spreading the decoding could give, with
// no copy made and nothing released, and for JPEG a yardstick from outside: under Wine, the
// machine's own djpeg (Debian's libjpeg-turbo-progs) over the same files, one process per file,
// two at a time, run from a shell script that times itself. Last, it times the listing of a
// folder of 10,000 other files.
//
//   load_bench.exe [frames]   frames per sequence (default 40)
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

// The Windows tests' helpers write the sample files; a benchmark is built from its one file.
#include "../tests/wine/test_support_win.cpp"
#include "bench_support_win.h"
#include "base/message_box_win.h"
#include "base/text_win.h"
#include "framestore/file_system_win.h"
#include "framestore/framestore.h"
#include "imaging/gdiplus2_win.h"
#include "imaging/image_service_win.h"
#include "imaging/picture_box_win.h"

namespace kino {
namespace {

using test::Encoder;

struct Sequence {
    const char* label;
    const wchar_t* folderName;
    const wchar_t* extension;
    Encoder encoder;
    std::int32_t typeIndex;
    int width;
    int height;
};

std::vector<std::wstring> WriteSequence(const test::TempFolder& root, const Sequence& sequence, int frames) {
    const std::wstring folder = root.File(sequence.folderName);
    CreateDirectoryW(folder.c_str(), nullptr);
    std::vector<std::wstring> paths;
    for (int n = 0; n < frames; ++n) {
        paths.push_back(folder + L"\\frame" + std::to_wstring(n) + L"." + sequence.extension);
        test::SaveWithGdiplus(paths.back(), sequence.width, sequence.height,
                              FramePixels(sequence.width, sequence.height, n, false), sequence.encoder);
    }
    return paths;
}

double FileBytes(const std::vector<std::wstring>& paths) {
    double total = 0;
    for (const std::wstring& path : paths) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
            total += static_cast<double>(data.nFileSizeLow) + 4294967296.0 * data.nFileSizeHigh;
    }
    return total;
}

// The Linux path of a file under Wine; empty on Windows.
std::string UnixPath(const std::wstring& path) {
    using Convert = char*(CDECL*)(const WCHAR*);
    const auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = convert ? convert(path.c_str()) : nullptr;
    if (!unix) return {};
    std::string result(unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Milliseconds for djpeg to decode every .jpg of the folder, one process per file on two jobs;
// negative when there is no djpeg (or no Wine) to run. Wine starts a Linux program without a
// process handle to wait on, so the script writes its own time into a file that appears at once.
double DjpegMs(const std::wstring& folder) {
    const std::wstring script = folder + L"-djpeg.sh", result = folder + L"-djpeg.us";  // beside the folder
    const std::string unixFolder = UnixPath(folder), unixScript = UnixPath(script), unixResult = UnixPath(result);
    if (unixFolder.empty() || unixScript.empty()) return -1;
    DeleteFileW(result.c_str());
    std::ofstream(script.c_str(), std::ios::binary)
        << "cd '" << unixFolder << "' || exit 1\n"
        << "command -v djpeg >/dev/null || { echo -1 >'" << unixResult << ".part'; mv '" << unixResult << ".part' '"
        << unixResult << "'; exit; }\n"
        << "start=$(date +%s%N)\n"
        << "ls | grep '[.]jpg$' | xargs -P 2 -n 1 djpeg -outfile /dev/null\n"
        << "end=$(date +%s%N)\n"
        << "echo $(( (end - start) / 1000 )) >'" << unixResult << ".part'\n"
        << "mv '" << unixResult << ".part' '" << unixResult << "'\n";
    std::wstring command = L"/bin/sh " + std::wstring(unixScript.begin(), unixScript.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(L"Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return -1;
    }
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
    for (int waited = 0; waited < 120000; waited += 10) {
        double microseconds = 0;
        if (std::ifstream(result.c_str()) >> microseconds) return microseconds < 0 ? -1 : microseconds / 1000.0;
        Sleep(10);
    }
    return -1;
}

struct LoadFigures {
    double ms = 1e300;        // best run
    std::vector<double> runs; // every run, in order
    double heldBytes = 0;     // after the load, per frame
    double peakBytes = 0;     // highest during the load, per frame
    int loaded = 0;
};

// One timed load; figures keeps the best time, and the memory of the latest run.
template <typename Load, typename Release>
void MeasureOnce(LoadFigures& figures, int frames, Load load, Release release) {
    const double before = PrivateBytes();
    PeakSampler sampler;
    const Clock::time_point start = Clock::now();
    figures.loaded = load();
    figures.runs.push_back(MsSince(start));
    figures.ms = std::min(figures.ms, figures.runs.back());
    const double peak = sampler.Stop();
    figures.heldBytes = (PrivateBytes() - before) / frames;
    figures.peakBytes = (peak - before) / frames;
    release();
}

void PrintLoad(const char* what, const LoadFigures& f, int frames, double bitmapBytes) {
    std::printf("  %-22s %8.2f ms/frame  %2d/%d loaded  held %6.2f MB/frame (%.2f x WxHx4)  peak %6.2f MB/frame (%.2f x)\n",
                what, f.ms / frames, f.loaded, frames, f.heldBytes / 1048576.0, f.heldBytes / bitmapBytes,
                f.peakBytes / 1048576.0, f.peakBytes / bitmapBytes);
}

LRESULT CALLBACK BenchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

// The frame clock's draw: Cls, then ShowFrameByName of each frame in turn; mean ms per draw.
double MeanDrawMs(HWND box, const FrameArray& frames, ImageService& images, int draws) {
    DrawingSurface& surface = *PictureBoxSurface(box);
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < draws; ++i) {
        PictureBoxCls(box);
        ShowFrameByName(surface, frames, frames[static_cast<std::size_t>(i) % frames.size()].key, 0, 0, images);
    }
    return MsSince(start) / draws;
}

// The same draw straight from images as GdipLoadImageFromFile gives them.
double MeanPlainDrawMs(HWND box, const std::vector<gdip::GpImage*>& plain, int draws) {
    DrawingSurface& surface = *PictureBoxSurface(box);
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < draws; ++i) {
        PictureBoxCls(box);
        DrawImage(surface, reinterpret_cast<ImageRef>(plain[static_cast<std::size_t>(i) % plain.size()]), 0, 0, nullptr);
    }
    return MsSince(start) / draws;
}

int Run(int frames) {
    if (InitGDIPlus(false, false, u"", 16, u"") != 0) {
        std::printf("GDI+ did not start\n");
        return 1;
    }
    typedef const char*(CDECL * WineVersion)();
    auto wine = reinterpret_cast<WineVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    std::printf("system: %s%s, %lu processors, %u decode threads, %d frames per sequence\n",
                wine ? "Wine " : "Windows", wine ? wine() : "", system.dwNumberOfProcessors,
                std::max(1u, std::thread::hardware_concurrency()), frames);

    const Sequence sequences[] = {
        {"1920x1080 JPEG", L"jpeg1080", L"jpg", Encoder::Jpeg, 0, 1920, 1080},
        {"1920x1080 PNG", L"png1080", L"png", Encoder::Png, 2, 1920, 1080},
        {"256x256 PNG", L"png256", L"png", Encoder::Png, 2, 256, 256},
        {"1280x720 BMP", L"bmp720", L"bmp", Encoder::Bmp, 1, 1280, 720},
    };
    test::TempFolder root;
    Win32FileSystem files;
    GdiplusImageService images;
    WindowMessageBoxes boxes;
    const Platform platform{files, images, boxes};
    constexpr int kRuns = 7;
    const unsigned decodeThreads = std::max(1u, std::thread::hardware_concurrency());  // as LoadImages uses
    const std::string spreadLabel = "same on " + std::to_string(decodeThreads) + " threads";

    for (const Sequence& sequence : sequences) {
        const Clock::time_point written = Clock::now();
        const std::vector<std::wstring> paths = WriteSequence(root, sequence, frames);
        const double bitmapBytes = 4.0 * sequence.width * sequence.height;
        std::printf("\n%s: %d files, %.0f KB each on average (written in %.1f s); W x H x 4 = %.2f MB\n",
                    sequence.label, frames, FileBytes(paths) / frames / 1024.0, MsSince(written) / 1000.0,
                    bitmapBytes / 1048576.0);

        std::vector<gdip::GpImage*> plain(paths.size(), nullptr);
        FrameArray store;
        LoadFigures baseline, spread, ours;
        double djpegMs = 1e300;  // best run; negative: not run
        const auto plainLoad = [&](unsigned threads) {
            std::atomic<std::size_t> next{0};
            const auto work = [&] {
                for (std::size_t i; (i = next.fetch_add(1)) < paths.size();)
                    gdip::GdipLoadImageFromFile(paths[i].c_str(), &plain[i]);
            };
            std::vector<std::thread> helpers;
            for (unsigned t = 1; t < threads; ++t) helpers.emplace_back(work);
            work();
            for (std::thread& helper : helpers) helper.join();
            return static_cast<int>(std::count_if(plain.begin(), plain.end(), [](auto* image) { return image; }));
        };
        const auto releasePlain = [&] {
            for (gdip::GpImage*& image : plain) {
                if (image) gdip::GdipDisposeImage(image);
                image = nullptr;
            }
        };
        // The loads take turns, so that other work on the machine weighs on all alike.
        for (int run = 0; run < kRuns; ++run) {
            MeasureOnce(baseline, frames, [&] { return plainLoad(1); }, releasePlain);
            MeasureOnce(spread, frames, [&] { return plainLoad(decodeThreads); }, releasePlain);
            MeasureOnce(
                ours, frames,
                [&] {
                    LoadFrameImages(store, FromWide(root.File(sequence.folderName).c_str()), sequence.typeIndex,
                                    platform);
                    return static_cast<int>(std::count_if(store.begin(), store.end(),
                                                          [](const FrameImage& f) { return f.image != 0; }));
                },
                [&] { ReleaseFrameImages(store, images); });
            if (sequence.encoder == Encoder::Jpeg) djpegMs = std::min(djpegMs, DjpegMs(root.File(sequence.folderName)));
        }
        PrintLoad("GdipLoadImageFromFile", baseline, frames, bitmapBytes);
        PrintLoad(spreadLabel.c_str(), spread, frames, bitmapBytes);
        PrintLoad("LoadFrameImages", ours, frames, bitmapBytes);
        if (sequence.encoder == Encoder::Jpeg) {
            if (djpegMs >= 0) {
                std::printf("  %-22s %8.2f ms/frame  (the machine's djpeg, a process per file, 2 jobs; "
                            "LoadFrameImages takes %.0f%% of its time)\n",
                            "djpeg yardstick", djpegMs / frames, 100.0 * ours.ms / djpegMs);
            } else {
                std::printf("  djpeg yardstick: not run (needs Wine and Debian's libjpeg-turbo-progs)\n");
            }
        }
        // Runs next to each other in time share the machine's mood: their ratios, too.
        std::vector<double> paired;
        for (int run = 0; run < kRuns; ++run) paired.push_back(baseline.runs[run] / ours.runs[run]);
        std::sort(paired.begin(), paired.end());
        std::printf("  load speed-up %.2fx (best of %d alternating runs each; "
                    "paired runs: median %.2fx, range %.2f-%.2fx)\n",
                    baseline.ms / ours.ms, kRuns, paired[kRuns / 2], paired.front(), paired.back());
        std::printf("  yardstick: the plain load on %u threads is %.2fx the one-thread load; "
                    "LoadFrameImages reaches %.0f%% of it\n",
                    decodeThreads, baseline.ms / spread.ms, 100.0 * spread.ms / ours.ms);
    }

    // Drawing a 1080p frame into the 256 x 256 box, as each tick does.
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = BenchWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = L"KinoreelLoadBench";
    RegisterClassExW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"Kinoreel load bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  320, 320, nullptr, nullptr, wc.hInstance, nullptr);
    HWND box = CreatePictureBox(window, 1, 16, 16, 256, 256, WS_VISIBLE, WS_EX_CLIENTEDGE);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);

    constexpr int kDraws = 400;
    std::printf("\nframe-clock draw (Cls + ShowFrameByName) of a 1920x1080 frame into the 256x256 box, mean of %d:\n",
                kDraws);
    const std::wstring jpegFolder = root.File(L"jpeg1080");
    FrameArray opaque;
    LoadFrameImages(opaque, FromWide(jpegFolder.c_str()), 0, platform);
    std::printf("  opaque frame (32bpp RGB bitmap)          %7.3f ms\n", MeanDrawMs(box, opaque, images, kDraws));

    const std::wstring alphaFolder = root.File(L"alpha1080");
    CreateDirectoryW(alphaFolder.c_str(), nullptr);
    for (int n = 0; n < 4; ++n) {
        test::WriteBytes(alphaFolder + L"\\a" + std::to_wstring(n) + L".png",
                         test::PngBytes(1920, 1080, FramePixels(1920, 1080, n, true), true));
    }
    FrameArray alpha;
    LoadFrameImages(alpha, FromWide(alphaFolder.c_str()), 2, platform);
    std::printf("  frame with alpha (32bpp PARGB bitmap)    %7.3f ms\n", MeanDrawMs(box, alpha, images, kDraws / 4));

    std::vector<gdip::GpImage*> plain;
    for (int n = 0; n < 4; ++n) {
        gdip::GpImage* image = nullptr;
        gdip::GdipLoadImageFromFile((jpegFolder + L"\\frame" + std::to_wstring(n) + L".jpg").c_str(), &image);
        if (image) plain.push_back(image);
    }
    if (!plain.empty()) {
        std::printf("  as GdipLoadImageFromFile left it (JPEG)  %7.3f ms\n", MeanPlainDrawMs(box, plain, kDraws));
    }
    for (gdip::GpImage* image : plain) gdip::GdipDisposeImage(image);

    // A folder of ten thousand other files and one frame: the listing's cost.
    const std::wstring crowded = root.File(L"crowded");
    CreateDirectoryW(crowded.c_str(), nullptr);
    for (int n = 0; n < 10000; ++n) test::WriteBytes(crowded + L"\\note" + std::to_wstring(n) + L".txt", "");
    test::WriteSolidPng(crowded + L"\\only.png", 4, 4, RGB(0, 0xFF, 0));
    FrameArray one;
    const Clock::time_point listed = Clock::now();
    LoadFrameImages(one, FromWide(crowded.c_str()), 2, platform);
    std::printf("\nlisting 10001 files and loading the 1 frame among them: %.1f ms (%zu frame)\n", MsSince(listed),
                one.size());
    ReleaseFrameImages(one, images);
    ReleaseFrameImages(opaque, images);
    ReleaseFrameImages(alpha, images);
    DestroyWindow(window);
    TerminateGDIPlus();
    return 0;
}

}  // namespace
}  // namespace kino

int wmain(int argc, wchar_t** argv) {
    const int frames = argc > 1 ? std::max(1, _wtoi(argv[1])) : 40;
    return kino::Run(frames);
}
