// How long opening a long padded sequence takes: the Start/Stop command's existence scan
// (one listing of the folder, matched to frame_0001.png … frame_10000.png), and filling the
// fields from a chosen folder, on a folder of that sequence, then, when asked, with other files
// around it. As a yardstick, the cost of looking each file up by its path, once per number.
// (Making the files takes far longer than scanning them under Wine: some 50 files a second.)
//
//   scan_bench.exe [frames] [others]   (defaults: 10000 frames, no other files)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "framestore/file_system_win.h"
#include "framestore/frame_files.h"

namespace kino {
namespace {

using Clock = std::chrono::steady_clock;

// Best and median of runs, in milliseconds.
void Report(const char* what, int runs, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int run = 0; run < runs; ++run) {
        const Clock::time_point start = Clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("  %-50s best %7.1f ms   median %7.1f ms\n", what, ms.front(), ms[ms.size() / 2]);
    std::fflush(stdout);
}

void MakeFiles(const std::wstring& folder, const wchar_t* pattern, int first, int count) {
    wchar_t name[64];
    for (int n = first; n < first + count; ++n) {
        std::swprintf(name, 64, pattern, n);
        CloseHandle(CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    }
}

void DeleteFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

void Measure(const std::wstring& folder, int frames) {
    Win32FileSystem files;
    const Text folderText(reinterpret_cast<const char16_t*>(folder.c_str()));
    Report("existence scan (one listing, padded match)", 7, [&] {
        const FrameScan scan = ScanFrameFiles(folderText, u"frame_", 2, u"png", 1, frames, files);
        if (scan.firstMissing || scan.paths.size() != static_cast<std::size_t>(frames)) std::abort();
    });
    Report("fill from the folder (listing, grouping, run)", 7, [&] {
        std::vector<Text> names;
        files.ListVisibleFiles(folderText, names);
        if (!OnlySequence(names, 2, [](std::int32_t) { return Text(u"png"); }, files)) std::abort();
    });
    Report("yardstick: one GetFileAttributesW per number", 3, [&] {
        wchar_t name[64];
        for (int n = 1; n <= frames; ++n) {
            std::swprintf(name, 64, L"\\frame_%04d.png", n);
            if (GetFileAttributesW((folder + name).c_str()) == INVALID_FILE_ATTRIBUTES) std::abort();
        }
    });
}

}  // namespace
}  // namespace kino

int wmain(int argc, wchar_t** argv) {
    const int frames = argc > 1 ? std::max(1, _wtoi(argv[1])) : 10000;
    const int others = argc > 2 ? std::max(0, _wtoi(argv[2])) : 0;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"kino-scan-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    kino::MakeFiles(folder, L"frame_%04d.png", 1, frames);
    std::printf("%d padded frames (frame_0001.png ...), nothing else:\n", frames);
    std::fflush(stdout);
    kino::Measure(folder, frames);
    if (others > 0) {
        kino::MakeFiles(folder, L"other_%06d.jpg", 0, others);
        std::printf("the same with %d other files in the folder:\n", others);
        std::fflush(stdout);
        kino::Measure(folder, frames);
    }
    kino::DeleteFolder(folder);
    return 0;
}
