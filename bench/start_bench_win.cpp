// The start as the user sees it: from a press of 启动/停止 (BM_CLICK on the real window, rate 120)
// to the first frame drawn, for sequences written into a temporary folder. Yardsticks from the
// same run on the same files: one thread of plain GdipLoadImageFromFile (all), the machine's
// djpeg on 2 parallel jobs (JPEG, under Wine), libspng alone on 2 threads (PNG). Best of several
// alternating runs; memory the window holds per frame after its load.
//
// Then what only holding the part the box shows makes possible: 600 frames of 1920x1080 JPEG and
// 2,000 of 3840x2160 (hard links to a few encoded ones), and a 16000x16000 PNG among frames.
//
//   start_bench.exe [frames] [runs] [only]   frames per sequence (default 40), rounds (default 5);
//                                            only: the sequences whose label holds it, no large ones
#include <windows.h>

#ifdef KINO_DECODER_LIBS
#include <spng.h>
#endif
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sample_files_win.h"
#include "window_driver_win.h"
#include "app/main_window_win.h"
#include "app/window_state_win.h"
#include "bench_support_win.h"
#include "base/text_win.h"
#include "imaging/frame_decoder_win.h"
#include "imaging/frame_images_win.h"

namespace kino {
namespace {

using test::Encoder;

struct Sequence {
    const char* label;
    const wchar_t* folderName;
    const wchar_t* extension;
    Encoder encoder;
    int typeIndex;
    int width, height;
};

std::vector<std::wstring> WriteSequence(const test::TempFolder& root, const Sequence& sequence, int frames) {
    const std::wstring folder = root.File(sequence.folderName);
    CreateDirectoryW(folder.c_str(), nullptr);
    std::vector<std::wstring> paths;
    for (int n = 0; n < frames; ++n) {
        paths.push_back(folder + L"\\img" + std::to_wstring(n) + L"." + sequence.extension);
        const test::Pixels pixels = FramePixels(sequence.width, sequence.height, n, false);
        if (sequence.encoder == Encoder::Bmp) {  // 24-bit: GDI+'s encoder would write 32
            test::WriteBytes(paths.back(), test::BmpBytes(sequence.width, sequence.height, pixels, 24));
        } else {
            test::SaveWithGdiplus(paths.back(), sequence.width, sequence.height, pixels, sequence.encoder);
        }
    }
    return paths;
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
    const std::wstring script = folder + L"-djpeg.sh", result = folder + L"-djpeg.us";
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

// Runs work(path) over the paths on `threads` threads; ms for all.
template <typename Work>
double OnThreads(const std::vector<std::wstring>& paths, unsigned threads, Work work) {
    std::atomic<std::size_t> next{0};
    const Clock::time_point start = Clock::now();
    const auto loop = [&] {
        typename Work::Scratch scratch;
        for (std::size_t i; (i = next.fetch_add(1)) < paths.size();) work(paths[i], scratch);
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < threads; ++t) helpers.emplace_back(loop);
    loop();
    for (std::thread& helper : helpers) helper.join();
    return MsSince(start);
}

// One thread of plain GdipLoadImageFromFile, every image kept until the end as that load would.
double PlainGdiplusMs(const std::vector<std::wstring>& paths) {
    std::vector<gdip::GpImage*> images(paths.size(), nullptr);
    const Clock::time_point start = Clock::now();
    for (std::size_t i = 0; i < paths.size(); ++i) gdip::GdipLoadImageFromFile(paths[i].c_str(), &images[i]);
    const double ms = MsSince(start);
    for (gdip::GpImage* image : images)
        if (image) gdip::GdipDisposeImage(image);
    return ms;
}

// The program's own decoding of each file for the box (256 x 256), without the window or the load
// around it; a thread's decoder lives as long as the thread's share.
struct ProgramDecode {
    struct Scratch {
        FrameDecoder decoder;
    };
    void operator()(const std::wstring& path, Scratch& scratch) const {
        gdip::GdipDisposeImage(scratch.decoder.Decode(path.c_str(), {256, 256}));
    }
};

#ifdef KINO_DECODER_LIBS
// libspng alone: the file read into memory and decoded whole to RGBA into a buffer reused per thread.
struct SpngDecode {
    struct Scratch {
        std::string file;
        std::vector<unsigned char> pixels;
    };
    void operator()(const std::wstring& path, Scratch& scratch) const {
        std::ifstream in(path.c_str(), std::ios::binary);
        scratch.file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        spng_ctx* ctx = spng_ctx_new(0);
        std::size_t size = 0;
        if (spng_set_png_buffer(ctx, scratch.file.data(), scratch.file.size()) == 0 &&
            spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size) == 0) {
            scratch.pixels.resize(size);
            spng_decode_image(ctx, scratch.pixels.data(), size, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS);
        }
        spng_ctx_free(ctx);
    }
};
#endif

// Presses the play button and pumps messages until the first frame-clock tick has drawn; then
// presses again to stop (the frames stay held until the next start). Negative when nothing plays.
// *pressMs: the press itself (its checks, the listing, the load's start); *loadedMs: until the
// load's end came through the queue. Its own loop, to time those messages as they come.
double PressToFirstFrameMs(const test::WindowDriver& window, double* pressMs = nullptr,
                           double* loadedMs = nullptr) {
    const HWND form = window.Window();
    SetFocus(window.Item(IdPlayButton));  // as a click on it gives it
    const Clock::time_point start = Clock::now();
    SendMessageW(window.Item(IdPlayButton), BM_CLICK, 0, 0);
    if (pressMs) *pressMs = MsSince(start);
    double ms = -1;
    for (bool ended = false; ms < 0 && (!ended || window.Playing()) && MsSince(start) < 120000;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        for (MSG msg; ms < 0 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            if (msg.hwnd != form) continue;
            if (msg.message == kLoadDoneMessage) ended = true;
            if (loadedMs && msg.message == kLoadDoneMessage) *loadedMs = MsSince(start);
            if (msg.message == kClockMessage) ms = MsSince(start);
        }
    }
    if (window.Playing()) window.Click(IdPlayButton);
    window.Pump(20);  // a tick sent before the stop goes now, not into the next start
    return ms;
}

// Whether the picture box shows something other than its background (the frame was drawn).
bool PictureShown(const test::WindowDriver& window) {
    const WindowDc box(window.Item(IdPictureBox));
    const COLORREF pixel = GetPixel(box.get(), 8, 8);
    return pixel != CLR_INVALID && pixel != GetSysColor(COLOR_WINDOW);
}

// img0 … img<count-1>.jpg in folder: `distinct` encoded frames, the others hard links to them.
void WriteLinkedJpegs(const std::wstring& folder, int width, int height, int count, int distinct) {
    CreateDirectoryW(folder.c_str(), nullptr);
    for (int n = 0; n < count; ++n) {
        const std::wstring path = folder + L"\\img" + std::to_wstring(n) + L".jpg";
        if (n < distinct) {
            test::SaveWithGdiplus(path, width, height, FramePixels(width, height, n, false), Encoder::Jpeg);
        } else {
            const std::wstring original = folder + L"\\img" + std::to_wstring(n % distinct) + L".jpg";
            if (!CreateHardLinkW(path.c_str(), original.c_str(), nullptr))
                CopyFileW(original.c_str(), path.c_str(), FALSE);
        }
    }
}

// An RGB PNG of width x height, its rows (a gradient) deflated one by one straight into the
// file: a picture far larger than the memory it takes to write.
void WriteLargePng(const std::wstring& path, std::uint32_t width, std::uint32_t height) {
    std::ofstream out(path.c_str(), std::ios::binary);
    const auto chunk = [&](const char* type, const std::string& data) {
        out << test::PngChunk(type, data);
    };
    out << std::string("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    for (std::uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) header.push_back(static_cast<char>(v >> shift));
    chunk("IHDR", header + std::string("\x08\x02\0\0\0", 5));
    z_stream z{};
    deflateInit(&z, 1);
    std::string row(1 + std::size_t{width} * 3, '\0'), compressed(1 << 20, '\0');
    const auto drain = [&](int flush) {
        int status = Z_OK;
        do {
            z.next_out = reinterpret_cast<Bytef*>(compressed.data());
            z.avail_out = static_cast<uInt>(compressed.size());
            status = deflate(&z, flush);
            const std::size_t produced = compressed.size() - z.avail_out;
            if (produced) chunk("IDAT", compressed.substr(0, produced));
        } while (z.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    };
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) row[1 + x * 3] = static_cast<char>((x + y) / 64);
        z.next_in = reinterpret_cast<Bytef*>(row.data());
        z.avail_in = static_cast<uInt>(row.size());
        drain(Z_NO_FLUSH);
    }
    drain(Z_FINISH);
    deflateEnd(&z);
    chunk("IEND", "");
}

// Presses play on folder's img0 … img<last> and reports what the window said and held.
void LargeStart(const char* what, const std::wstring& folder, int last, int typeIndex) {
    const test::WindowDriver window;
    window.Prepare(folder, L"0", std::to_wstring(last).c_str(), true, false, 120, typeIndex);
    const double before = PrivateBytes();
    const double ms = PressToFirstFrameMs(window);
    const double held = PrivateBytes() - before;
    char info[256] = {};
    const std::wstring said = WideString(window.TextOf(IdInfoBox));
    WideCharToMultiByte(CP_UTF8, 0, said.c_str(), -1, info, sizeof info - 1, nullptr, nullptr);
    if (ms >= 0) {
        std::printf("  %-34s plays: press to first frame %.0f ms, %.0f MB held (%.3f MB/frame)\n", what, ms,
                    held / 1048576.0, held / 1048576.0 / (last + 1));
    } else {
        std::printf("  %-34s does not play: %s\n", what, info);
    }
    std::fflush(stdout);
}

int Run(int frames, int runs, const std::string& only) {
    typedef const char*(CDECL * WineVersion)();
    auto wine = reinterpret_cast<WineVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    std::printf("system: %s%s, %u processors; %d frames per sequence, best of %d alternating runs\n",
                wine ? "Wine " : "Windows", wine ? wine() : "", std::thread::hardware_concurrency(), frames, runs);

    const Sequence sequences[] = {
        {"1920x1080 JPEG", L"jpeg1080", L"jpg", Encoder::Jpeg, 0, 1920, 1080},
        {"1920x1080 PNG", L"png1080", L"png", Encoder::Png, 2, 1920, 1080},
        {"1920x1080 BMP 24-bit", L"bmp1080", L"bmp", Encoder::Bmp, 1, 1920, 1080},
        {"1280x720 BMP 24-bit", L"bmp720", L"bmp", Encoder::Bmp, 1, 1280, 720},
        {"256x256 PNG", L"png256", L"png", Encoder::Png, 2, 256, 256},
    };
    test::TempFolder root;
    for (const Sequence& sequence : sequences) {
        if (std::string(sequence.label).find(only) == std::string::npos) continue;
        // For the encoders and the yardsticks: the window ends the session when it closes.
        InitGDIPlus();
        const std::vector<std::wstring> paths = WriteSequence(root, sequence, frames);
        const std::wstring folder = root.File(sequence.folderName);
        std::optional<test::WindowDriver> window(std::in_place);
        // A first start on two of the frames, so that what the process sets up once (the load's
        // threads, the decoders' buffers) isn't counted as held by the frames; the next start
        // releases those two, which weigh what two of its own do.
        window->Prepare(folder, L"0", L"1", true, false, 120, sequence.typeIndex);
        PressToFirstFrameMs(*window);
        const double before = PrivateBytes();
        window->Prepare(folder, L"0", std::to_wstring(frames - 1).c_str(), true, false, 120, sequence.typeIndex);
        double press = 1e300, plain = 1e300, djpeg = 1e300, spng = 1e300, decoding = 1e300;
        double held = 0, pressOnly = 0, loaded = 0;
        bool shown = false;
        for (int run = 0; run < runs; ++run) {  // in turns, so that the machine's mood weighs on all alike
            double pressMs = 0, loadedMs = 0;
            const double ms = PressToFirstFrameMs(*window, &pressMs, &loadedMs);
            if (ms >= 0 && ms < press) pressOnly = pressMs, loaded = loadedMs;
            if (run == 0) {
                shown = PictureShown(*window);
                held = (PrivateBytes() - before) / (frames - 2);
            }
            if (ms >= 0) press = std::min(press, ms);
            plain = std::min(plain, PlainGdiplusMs(paths));
            if (sequence.encoder == Encoder::Jpeg) djpeg = std::min(djpeg, DjpegMs(folder));
#ifdef KINO_DECODER_LIBS
            if (sequence.encoder == Encoder::Png) spng = std::min(spng, OnThreads(paths, 2, SpngDecode{}));
            if (sequence.encoder == Encoder::Png) decoding = std::min(decoding, OnThreads(paths, 2, ProgramDecode{}));
#endif
        }
        window.reset();
        const double frameBytes = 4.0 * sequence.width * sequence.height;
        std::printf("\n%s, %d frames%s:\n", sequence.label, frames, shown ? "" : " (NO FRAME DRAWN)");
        std::printf("  press to first frame       %8.2f ms/frame  held %.2f MB/frame (%.2f x WxHx4)\n", press / frames,
                    held / 1048576.0, held / frameBytes);
        std::printf("    of its %.1f ms: the press %.1f ms, its load's end through the queue at %.1f ms\n", press,
                    pressOnly, loaded);
        std::printf("  GdipLoadImageFromFile, 1   %8.2f ms/frame  start is %.2fx as fast\n", plain / frames,
                    plain / press);
        if (djpeg < 1e300 && djpeg >= 0) {
            std::printf("  djpeg, 2 jobs              %8.2f ms/frame  start takes %.2fx its time\n", djpeg / frames,
                        press / djpeg);
        }
        if (spng < 1e300) {
            std::printf("  libspng alone, 2 threads   %8.2f ms/frame  start takes %.2fx its time\n", spng / frames,
                        press / spng);
            std::printf("    the program's decoding alone, 2 threads, %.2f ms/frame: %.2fx libspng's time\n",
                        decoding / frames, decoding / spng);
        }
        std::fflush(stdout);
    }
    if (!only.empty()) return 0;

    std::printf("\nlarge sequences (%zu-bit build):\n", sizeof(void*) * 8);
    InitGDIPlus();
    WriteLinkedJpegs(root.File(L"jpeg1080x600"), 1920, 1080, 600, 8);
    LargeStart("600 x 1920x1080 JPEG", root.File(L"jpeg1080x600"), 599, 0);
    InitGDIPlus();
    WriteLinkedJpegs(root.File(L"jpeg2160x2000"), 3840, 2160, 2000, 4);
    LargeStart("2000 x 3840x2160 JPEG", root.File(L"jpeg2160x2000"), 1999, 0);
    const std::wstring big = root.File(L"png16000");
    CreateDirectoryW(big.c_str(), nullptr);
    WriteLargePng(big + L"\\img0.png", 16000, 16000);
    test::WriteBytes(big + L"\\img1.png", test::PngBytes(256, 256, FramePixels(256, 256, 1, false)));
    LargeStart("16000x16000 PNG and a 256x256 one", big, 1, 2);
    return 0;
}

}  // namespace
}  // namespace kino

int wmain(int argc, wchar_t** argv) {
    const int frames = argc > 1 ? std::max(3, _wtoi(argv[1])) : 40;
    const int runs = argc > 2 ? std::max(1, _wtoi(argv[2])) : 5;
    const std::wstring only = argc > 3 ? argv[3] : L"";
    return kino::Run(frames, runs, std::string(only.begin(), only.end()));
}
