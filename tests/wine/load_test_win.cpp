// A start's load on the real window: it answers throughout, shows its progress, can be cancelled
// by the play button, Esc or closing, and refuses what cannot fit before decoding.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>

#include "form_fixture_win.h"
#include "test_support_win.h"

namespace kino::test {
namespace {

constexpr int kFrames = 40;

// Threads of this process.
int ThreadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

class LongLoadTest : public ::testing::Test {
protected:
    // kFrames copies of one 1080p PNG as img0 … and, beside them, another sequence.
    void WriteLongSequence() {
        Pixels pixels(1920u * 1080u);
        std::uint32_t seed = 1;
        for (std::uint32_t& p : pixels) p = 0xFF000000u | ((seed = seed * 1664525u + 1013904223u) >> 8);
        const std::wstring first = folder.File(L"img0.png");
        SaveWithGdiplus(first, 1920, 1080, pixels, Encoder::Png);
        for (int n = 1; n < kFrames; ++n)
            CopyFileW(first.c_str(), folder.File(L"img" + std::to_wstring(n) + L".png").c_str(), FALSE);
        for (int n = 0; n < 10; ++n) CopyFileW(first.c_str(), folder.File(L"take" + std::to_wstring(n) + L".png").c_str(), FALSE);
        Prepare(kFrames - 1);
    }
    void Prepare(int last) const {
        ui.SetText(IdFolderLabel, folder.Path());
        ui.SetText(IdPrefixBox, L"img");
        ui.SetText(IdFirstNumberBox, L"0");
        ui.SetText(IdLastNumberBox, std::to_wstring(last));
        SendMessageW(ui.Item(IdTypeList), CB_SETCURSEL, 2, 0);
    }
    // Presses the play button without waiting for the load.
    void Press() const { SendMessageW(ui.Item(IdPlayButton), BM_CLICK, 0, 0); }
    bool Loading() const { return LoadingOf(ui.Window()); }
    bool InputsEnabled() const {
        for (const ControlSpec& entry : ControlTable())
            if (entry.lockedWhilePlaying && !IsWindowEnabled(ui.Item(entry.id))) return false;
        return true;
    }
    // Starts the long load and pumps until some frames are in.
    void StartAndWaitForProgress() {
        WriteLongSequence();
        Press();
        ASSERT_TRUE(Loading());
        ASSERT_TRUE(ui.PumpUntil([&] { return ui.TextOf(IdInfoBox) != u"正在载入：0/40 帧"; }, 20000));
        ASSERT_TRUE(Loading());
    }

    TempFolder folder;
    FormFixture ui;
};

TEST_F(LongLoadTest, TheWindowAnswersAndShowsProgressThroughoutALongLoad) {
    WriteLongSequence();
    ui.SetText(IdInfoBox, L"before");
    std::atomic<bool> done{false};
    std::atomic<int> unanswered{0}, asked{0};
    std::thread prober([&] {
        while (!done) {
            DWORD_PTR result = 0;
            ++asked;
            if (!SendMessageTimeoutW(ui.Window(), WM_NULL, 0, 0, SMTO_NORMAL, 100, &result)) ++unanswered;
            Sleep(10);
        }
    });
    Press();
    EXPECT_TRUE(Loading());
    EXPECT_FALSE(InputsEnabled());
    EXPECT_TRUE(IsWindowEnabled(ui.Item(IdPlayButton)) && IsWindowEnabled(ui.Item(IdReverseBox)));
    std::set<Text> progress;
    ui.PumpUntil([&] {
        progress.insert(ui.TextOf(IdInfoBox));
        return !Loading();
    }, 60000);
    done = true;
    prober.join();
    EXPECT_EQ(unanswered, 0) << "of " << asked;
    EXPECT_GE(progress.size(), 3u) << "0/40, some frames, then the text from before";
    EXPECT_EQ(progress.count(u"正在载入：0/40 帧"), 1u);
    EXPECT_TRUE(ClockEnabledOf(ui.Window()));
    EXPECT_EQ(ui.TextOf(IdInfoBox), u"before");
    EXPECT_EQ(PlaybackOf(ui.Window()).frames.size(), static_cast<std::size_t>(kFrames)) << "the range only";
    ui.Click(IdPlayButton);
}

TEST_F(LongLoadTest, ThePlayButtonOrEscCancelsAndNothingPlays) {
    for (bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Esc" : "play button");
        StartAndWaitForProgress();
        if (escape) {
            PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
            PostMessageW(GetFocus(), WM_KEYUP, VK_ESCAPE, 0);
        } else {
            Press();
        }
        ASSERT_TRUE(ui.PumpUntil([&] { return !Loading(); }, 5000));
        EXPECT_EQ(ui.TextOf(IdInfoBox), u"已取消载入。");
        EXPECT_FALSE(ClockEnabledOf(ui.Window()));
        EXPECT_TRUE(InputsEnabled());
        EXPECT_TRUE(PlaybackOf(ui.Window()).frames.empty());
    }
}

TEST_F(LongLoadTest, ClosingDuringALoadLeavesNothingRunning) {
    ui.Pump(100);
    const int threadsBefore = ThreadCount();
    StartAndWaitForProgress();
    EXPECT_GT(ThreadCount(), threadsBefore);
    SendMessageW(ui.Window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(ui.Window()));
    EXPECT_LT(ThreadCount(), threadsBefore) << "the window's clock thread has ended, and no load thread is left";
}

TEST_F(LongLoadTest, WhatCannotFitIsRefusedBeforeDecodingAndGiganticHeadersCountNothing) {
    // Headers alone: IHDR of 20000 x 20000 (1.6 GB decoded), sixty of them.
    const auto header = [](std::uint32_t side) {
        std::string size;
        for (int i = 0; i < 2; ++i)
            for (int shift = 24; shift >= 0; shift -= 8) size += static_cast<char>(side >> shift & 0xFF);
        return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", size + std::string("\x08\x02\0\0\0", 5));
    };
    for (int n = 0; n < 60; ++n) WriteBytes(folder.File(L"img" + std::to_wstring(n) + L".png"), header(20000));
    Prepare(59);
    ui.Click(IdPlayButton);
    const Text refused = u"内存不足：需要 91553 MB，可用 ";
    EXPECT_EQ(ui.TextOf(IdInfoBox).substr(0, refused.size()), refused);
    EXPECT_FALSE(ClockEnabledOf(ui.Window()));
    EXPECT_TRUE(InputsEnabled());

    // A header claiming more than any frame may have counts nothing: that file shows empty.
    ui.SetText(IdInfoBox, L"");
    for (int n = 0; n < 3; ++n) WriteSolidPng(folder.File(L"img" + std::to_wstring(n) + L".png"), 8, 8, RGB(9, 9, 9));
    WriteBytes(folder.File(L"img3.png"), header(100000));
    Prepare(3);
    ui.Click(IdPlayButton);
    EXPECT_TRUE(ClockEnabledOf(ui.Window()));
    EXPECT_EQ(ui.TextOf(IdInfoBox), u"");
    ui.Click(IdPlayButton);
}

}  // namespace
}  // namespace kino::test
