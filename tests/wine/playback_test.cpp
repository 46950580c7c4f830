// Playback end to end on the real window with real frame files, read back from Picture1's pixels.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <string>
#include <vector>

#include "base/message_box.h"
#include "base/win_text.h"
#include "form_fixture.h"
#include "imaging/picture_box_win.h"
#include "test_support.h"

namespace kino::test {
namespace {

constexpr int kFrameSize = 48;

COLORREF FrameColour(int n) { return RGB(20 + n * 23, 240 - n * 19, (60 + n * 71) % 256); }

class PlaybackTest : public ::testing::Test {
protected:
    // Frames img0.png … img<last>.png, each one solid colour.
    void WriteFrames(int last, int size = kFrameSize) {
        for (int n = 0; n <= last; ++n) WriteSolidPng(folder.File(L"img" + std::to_wstring(n) + L".png"), size, size, FrameColour(n));
    }

    void Prepare(const wchar_t* start, const wchar_t* end, bool loop, bool reverse = false, int rate = 120) {
        ui.SetText(IdLabel1, folder.Path());
        ui.SetText(IdText1_0, L"img");
        ui.SetText(IdText1_2, start);
        ui.SetText(IdText1_3, end);
        ui.SelectType(2);
        ui.SetChecked(IdCheck2, loop);
        ui.SetChecked(IdCheck1, reverse);
        ui.SetRate(rate);
    }

    // The frame Picture1 shows (its persistent image): its number, -1 when cleared, -2 otherwise.
    int ShownFrame() const {
        COLORREF c = GetPixel(PictureBoxDc(ui.Item(IdPicture1)), 3, 3);
        for (int n = 0; n < 20; ++n)
            if (c == FrameColour(n)) return n;
        return c == GetSysColor(COLOR_WINDOW) ? -1 : -2;
    }

    // Pumps the window's messages and notes the frame shown after each tick, until the clock
    // stops or maxTicks ticks have come.
    std::vector<int> Record(std::size_t maxTicks, DWORD timeoutMs = 5000) {
        std::vector<int> shown;
        const ULONGLONG end = GetTickCount64() + timeoutMs;
        while (shown.size() < maxTicks && Form1TimerEnabled(ui.Form()) && GetTickCount64() < end) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                const unsigned ticks = Form1TicksRun(ui.Form());
                DispatchMessageW(&msg);
                if (Form1TicksRun(ui.Form()) != ticks) shown.push_back(ShownFrame());
                if (shown.size() >= maxTicks || !Form1TimerEnabled(ui.Form())) break;
            }
        }
        return shown;
    }

    // True when all seven input controls are in the given state.
    bool InputsAre(bool enabled) const {
        for (ControlId id : {IdCommand1, IdText1_0, IdCombo1, IdText1_2, IdText1_3, IdHScroll1, IdCheck2})
            if ((IsWindowEnabled(ui.Item(id)) != FALSE) != enabled) return false;
        return true;
    }

    TempFolder folder;
    FormFixture ui;
};

TEST_F(PlaybackTest, ForwardOnceDrawsEachFrameAndStopsOnTheTickThatDrawsTheLast) {
    WriteFrames(9);
    Prepare(L"0", L"9", false);
    ui.Click(IdCommand2);
    ASSERT_TRUE(Form1TimerEnabled(ui.Form()));
    EXPECT_EQ(Form1TimerInterval(ui.Form()), 8);
    EXPECT_TRUE(InputsAre(false));
    EXPECT_TRUE(IsWindowEnabled(ui.Item(IdCheck1)) && IsWindowEnabled(ui.Item(IdCommand2)));
    EXPECT_EQ(Record(30), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_FALSE(Form1TimerEnabled(ui.Form()));
    EXPECT_TRUE(InputsAre(true));
    ui.Pump(100);
    EXPECT_EQ(ShownFrame(), 9) << "the last frame stays visible";
    // ... on screen too, also after the window is painted afresh.
    RedrawWindow(ui.Form(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC screen = GetDC(ui.Item(IdPicture1));
    EXPECT_EQ(GetPixel(screen, 10, 10), FrameColour(9));
    ReleaseDC(ui.Item(IdPicture1), screen);
    EXPECT_EQ(ui.TextOf(IdTxtInfo), u"");
}

TEST_F(PlaybackTest, LoopOverThreeToFiveNeverDrawsFramesOutsideTheRange) {
    WriteFrames(9);
    Prepare(L"3", L"5", true);
    ui.Click(IdCommand2);
    EXPECT_EQ(Record(12), (std::vector<int>{3, 4, 5, 3, 4, 5, 3, 4, 5, 3, 4, 5}));
    EXPECT_TRUE(Form1TimerEnabled(ui.Form()));
    ui.Click(IdCommand2);  // stop
    EXPECT_FALSE(Form1TimerEnabled(ui.Form()));
    EXPECT_TRUE(InputsAre(true));
    EXPECT_TRUE(Form1State(ui.Form()).FramesLoaded) << "frames stay loaded while stopped";
}

TEST_F(PlaybackTest, ReversePlaysFromTheEndAndCanTurnAroundWhilePlaying) {
    WriteFrames(5);
    Prepare(L"3", L"5", false, true);
    ui.Click(IdCommand2);
    EXPECT_EQ(Record(10), (std::vector<int>{5, 4, 3}));
    EXPECT_FALSE(Form1TimerEnabled(ui.Form()));

    // Looping backwards over 3..5, cleared after the first tick: 5, then 4 5 3 4 ...
    Prepare(L"3", L"5", true, true);
    ui.Click(IdCommand2);
    EXPECT_EQ(Record(1), (std::vector<int>{5}));
    ui.SetChecked(IdCheck1, false);
    EXPECT_EQ(Record(4), (std::vector<int>{4, 5, 3, 4}));
    ui.Click(IdCommand2);
}

TEST_F(PlaybackTest, AMissingFrameIsNamedAndNothingStarts) {
    WriteFrames(9);
    ASSERT_TRUE(DeleteFileW(folder.File(L"img7.png").c_str()));
    Prepare(L"0", L"9", false);
    ui.Click(IdCommand2);
    EXPECT_EQ(ui.TextOf(IdTxtInfo), u"文件错误：缺失img7.png");
    EXPECT_FALSE(Form1TimerEnabled(ui.Form()));
    EXPECT_TRUE(InputsAre(true));
    EXPECT_FALSE(Form1State(ui.Form()).FramesLoaded);
}

TEST_F(PlaybackTest, EarlierMessageSurvivesASuccessfulStart) {
    WriteFrames(3);
    Prepare(L"0", L"3", true);
    ui.SetText(IdLabel1, L"");
    ui.Click(IdCommand2);
    EXPECT_EQ(ui.TextOf(IdTxtInfo), u"未选择文件夹。");
    EXPECT_FALSE(Form1TimerEnabled(ui.Form()));
    ui.SetText(IdLabel1, folder.Path());
    ui.Click(IdCommand2);
    EXPECT_TRUE(Form1TimerEnabled(ui.Form()));
    EXPECT_EQ(ui.TextOf(IdTxtInfo), u"未选择文件夹。");
    ui.Click(IdCommand2);
}

TEST_F(PlaybackTest, OutOfRangeNumbersAreRefusedWithAMessage) {
    WriteFrames(1);
    Prepare(L"0", L"3e9", true);
    ui.Click(IdCommand2);
    EXPECT_EQ(ui.TextOf(IdTxtInfo), u"编号错误：编号超出范围。");
    EXPECT_FALSE(Form1TimerEnabled(ui.Form()));
    Prepare(L"5", L"5", true);
    ui.Click(IdCommand2);
    EXPECT_EQ(ui.TextOf(IdTxtInfo), u"编号错误：结束编号小于等于开始编号。");
}

TEST_F(PlaybackTest, AFrameDeletedDuringPlaybackMakesTheStopFailAndPlaybackGoesOn) {
    WriteFrames(9);
    Prepare(L"0", L"9", true);
    ui.Click(IdCommand2);
    ASSERT_EQ(Record(3).size(), 3u);
    // The frames are decoded copies: their files can go while they play.
    ASSERT_TRUE(DeleteFileW(folder.File(L"img4.png").c_str()));
    ui.Click(IdCommand2);
    EXPECT_EQ(ui.TextOf(IdTxtInfo), u"文件错误：缺失img4.png");
    EXPECT_TRUE(Form1TimerEnabled(ui.Form()));
    EXPECT_EQ(Record(10).size(), 10u) << "still playing";

    // Without loop the end runs the command, which fails too: the run wraps and goes on.
    WriteFrames(9);
    ui.Click(IdCommand2);  // stops
    Prepare(L"0", L"2", false);
    ui.Click(IdCommand2);
    ASSERT_TRUE(Form1TimerEnabled(ui.Form()));
    ASSERT_TRUE(DeleteFileW(folder.File(L"img1.png").c_str()));
    std::vector<int> shown = Record(7);
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 0, 1, 2, 0}));
    EXPECT_EQ(ui.TextOf(IdTxtInfo), u"文件错误：缺失img1.png");
    EXPECT_TRUE(Form1TimerEnabled(ui.Form()));
}

TEST_F(PlaybackTest, ClosingWhilePlayingReleasesEverythingAndDrawsNoMore) {
    WriteFrames(9);
    Prepare(L"0", L"9", true);
    ui.Click(IdCommand2);
    ASSERT_EQ(Record(3).size(), 3u);
    ui.Close();
    EXPECT_FALSE(IsWindow(ui.Form()));
    ui.Pump(100);  // a tick still queued finds no window
}

// A message box that, like a real one, runs a message loop of its own while it is open.
struct PumpingBox {
    static inline HWND form = nullptr;
    static inline std::vector<Text> texts;
    static inline unsigned ticksWhileOpen = 0;
    static int Show(HWND, TextView text, TextView, unsigned) {
        texts.emplace_back(text);
        const unsigned before = Form1TicksRun(form);
        const ULONGLONG end = GetTickCount64() + 300;
        while (GetTickCount64() < end) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
        ticksWhileOpen += Form1TicksRun(form) - before;
        return IDOK;
    }
};

TEST_F(PlaybackTest, NoTickRunsWhileAHandlersMessageBoxIsOpen) {
    WriteFrames(9);
    Prepare(L"0", L"9", true);
    ui.Click(IdCommand2);
    ASSERT_EQ(Record(3).size(), 3u);
    // A stop request whose load meets a "folder" that is a file: the frame files are found
    // through "..", the listing is not, and the frame store shows its box.
    const std::wstring file = folder.File(L"not-a-folder.txt");
    WriteBytes(file, "x");
    ui.SetText(IdLabel1, file);
    ui.SetText(IdText1_0, L"..\\img");
    PumpingBox::form = ui.Form();
    MessageBoxFunction old = SetMessageBoxFunction(PumpingBox::Show);
    ui.Click(IdCommand2);
    SetMessageBoxFunction(old);
    ASSERT_EQ(PumpingBox::texts, std::vector<Text>{u"文件夹不存在。"});
    EXPECT_EQ(PumpingBox::ticksWhileOpen, 0u);
    EXPECT_FALSE(Form1TimerEnabled(ui.Form())) << "the stop went on after the box";
}

std::size_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return counters.PrivateUsage;
}

TEST_F(PlaybackTest, StartingAndStoppingManyTimesKeepsOnlyTheLastLoad) {
    constexpr int kSize = 400;  // ten frames of 400 x 400: 6.4 MB a load
    WriteFrames(9, kSize);
    Prepare(L"0", L"9", true, false, 1);
    ui.Click(IdCommand2);
    ui.Click(IdCommand2);
    const std::size_t afterOne = PrivateBytes();
    for (int run = 0; run < 50; ++run) ui.Click(IdCommand2);
    const std::size_t afterMany = PrivateBytes();
    EXPECT_EQ(Form1State(ui.Form()).FrameList.size(), 10u);
    const std::size_t oneLoad = 10u * kSize * kSize * 4;
    EXPECT_LT(afterMany, afterOne + 2 * oneLoad) << "50 loads kept: " << (afterMany - afterOne) / oneLoad;
}

}  // namespace
}  // namespace kino::test
