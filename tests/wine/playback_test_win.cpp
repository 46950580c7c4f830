// Playback end to end on the real window with real frame files, read back from the picture box.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/message_box_win.h"
#include "base/text_win.h"
#include "form_fixture_win.h"
#include "imaging/picture_box_win.h"
#include "sample_files_win.h"

namespace kino::test {
namespace {

using Frames = std::vector<int>;

COLORREF FrameColour(int n) { return RGB(20 + n * 23, 240 - n * 19, (60 + n * 71) % 256); }

class PlaybackTest : public ::testing::Test {
protected:
    // Frames img<padding>0.png … img<padding><last>.png, each one solid colour.
    void WriteFrames(int last, int size = 48, const std::wstring& padding = L"") {
        for (int n = 0; n <= last; ++n) {
            const std::wstring name = L"img" + padding + std::to_wstring(n) + L".png";
            WriteSolidPng(folder.File(name), size, size, FrameColour(n));
        }
    }

    void Prepare(const wchar_t* first, const wchar_t* last, bool loop, bool reverse = false, int rate = 120) {
        ui.SetText(IdFolderLabel, folder.Path());
        ui.SetText(IdPrefixBox, L"img");
        ui.SetText(IdFirstNumberBox, first);
        ui.SetText(IdLastNumberBox, last);
        SendMessageW(ui.Item(IdTypeList), CB_SETCURSEL, 2, 0);
        ui.SetChecked(IdLoopBox, loop);
        ui.SetChecked(IdReverseBox, reverse);
        ui.SetRate(rate);
    }

    // The frame the picture box shows: its number, -1 when cleared, -2 otherwise.
    int ShownFrame() const {
        const WindowDc screen(ui.Item(IdPictureBox));
        const COLORREF c = GetPixel(screen.get(), 3, 3);
        for (int n = 0; n < 20; ++n)
            if (c == FrameColour(n)) return n;
        return c == GetSysColor(COLOR_WINDOW) ? -1 : -2;
    }

    // The frame shown after each tick, until the clock stops or maxTicks ticks have come.
    Frames Record(std::size_t maxTicks) {
        Frames shown;
        const auto playing = [&] { return shown.size() < maxTicks && ui.Playing(); };
        while (playing()) {
            const unsigned ticks = ui.Ticks();
            if (!ui.PumpUntil([&] { return ui.Ticks() != ticks; }, 5000)) break;
            shown.push_back(ShownFrame());
        }
        return shown;
    }

    TempFolder folder;
    FormFixture ui;
};

TEST_F(PlaybackTest, ForwardOnceDrawsEachFrameAndStopsOnTheTickThatDrawsTheLast) {
    WriteFrames(9);
    Prepare(L"0", L"9", false);
    ui.Click(IdPlayButton);
    ASSERT_TRUE(ui.Playing());
    EXPECT_TRUE(ui.InputsAre(false));
    EXPECT_EQ(Record(30), (Frames{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_FALSE(ui.Playing());
    EXPECT_TRUE(ui.InputsAre(true));
    // The last frame stays on screen: shown at once, and again when the window is painted afresh.
    WindowDc screen(ui.Item(IdPictureBox));
    EXPECT_EQ(GetPixel(screen.get(), 10, 10), FrameColour(9));
    RedrawWindow(ui.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_EQ(GetPixel(screen.get(), 10, 10), FrameColour(9));
    EXPECT_EQ(ui.TextOf(IdInfoBox), u"");
}

// img0000.png … img0005.png, and a plain img3.png beside img0003.png that plays instead. Looping
// either way; the reverse box, read at every tick, turns the play at once.
TEST_F(PlaybackTest, PaddedFramesLoopEitherWayAndTheReverseBoxTurnsThem) {
    WriteFrames(5, 8, L"000");
    WriteSolidPng(folder.File(L"img3.png"), 8, 8, FrameColour(13));
    for (bool reverse : {false, true}) {
        Prepare(L"0000", L"5", true, reverse);
        ui.Click(IdPlayButton);
        EXPECT_EQ(Record(8), reverse ? (Frames{5, 4, 13, 2, 1, 0, 5, 4}) : (Frames{0, 1, 2, 13, 4, 5, 0, 1}));
        ui.SetChecked(IdReverseBox, !reverse);
        EXPECT_EQ(Record(2), reverse ? (Frames{13, 4}) : (Frames{2, 1}));
        ui.Click(IdPlayButton);  // stop
        EXPECT_FALSE(ui.Playing());
        EXPECT_TRUE(ui.InputsAre(true));
    }
}

// The process's private bytes (Wine counts them as PagefileUsage, Windows as both).
std::size_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return std::max(counters.PrivateUsage, counters.PagefileUsage);
}

TEST_F(PlaybackTest, EachLoadReleasesTheLastAndClosingWhilePlayingReleasesAll) {
    // Twenty frames of the box's size at 96 dpi, held whole at any dpi: 5.2 MB.
    constexpr std::size_t kSize = 256, kLoad = 20 * kSize * kSize * 4;
    WriteFrames(19, kSize);
    Prepare(L"0", L"19", true, false, 1);
    const std::size_t before = PrivateBytes();
    for (int run = 0; run < 21; ++run) ui.Click(IdPlayButton);
    const std::size_t playing = PrivateBytes();
    EXPECT_LT(playing, before + 2 * kLoad) << "loads kept: " << (playing - before) / kLoad;
    EXPECT_GT(playing, before + kLoad / 2) << "the figure measures what a load holds";
    ASSERT_TRUE(ui.Playing());
    SendMessageW(ui.Window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(ui.Window()));
    ui.Pump(100);  // a tick still queued finds no window
    EXPECT_LT(PrivateBytes(), before + kLoad / 2);
}

}  // namespace
}  // namespace kino::test
