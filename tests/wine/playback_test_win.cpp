// The real window with real frame files: playback read back from the picture box, frames dropped
// on it as Explorer drops them, and a long load that it answers through and that can be cancelled.
#include <windows.h>
#include <psapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/text_win.h"
#include "window_driver_win.h"
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
        for (int n = 0; n <= last; ++n)
            WriteSolidPng(folder.File(L"img" + padding + std::to_wstring(n) + L".png"), size, size, FrameColour(n));
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
    WindowDriver ui;
};

// img0000.png … img0005.png, and a plain img3.png beside img0003.png that plays instead. Once (here
// in reverse), it stops on the tick that draws the last frame, which stays on screen; looping, it
// plays until stopped, and the reverse box, read at every tick, turns it at once.
TEST_F(PlaybackTest, PaddedFramesPlayOnceToTheLastOrLoopUntilStoppedAndTheReverseBoxTurnsThem) {
    WriteFrames(5, 48, L"000");
    WriteSolidPng(folder.File(L"img3.png"), 48, 48, FrameColour(13));
    ui.Prepare(folder.Path(), L"0000", L"5", false, true);
    ui.Click(IdPlayButton);
    EXPECT_TRUE(ui.InputsAre(false));
    EXPECT_EQ(Record(30), (Frames{5, 4, 13, 2, 1, 0}));
    EXPECT_FALSE(ui.Playing());
    EXPECT_TRUE(ui.InputsAre(true));
    RedrawWindow(ui.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_EQ(ShownFrame(), 0) << "the last frame, painted afresh";
    ui.Prepare(folder.Path(), L"0000", L"5", true);
    ui.Click(IdPlayButton);
    EXPECT_EQ(Record(8), (Frames{0, 1, 2, 13, 4, 5, 0, 1}));
    ui.SetChecked(IdReverseBox, true);
    EXPECT_EQ(Record(2), (Frames{2, 1}));
    ui.Click(IdPlayButton);  // stop
    EXPECT_FALSE(ui.Playing());
    EXPECT_TRUE(ui.InputsAre(true));
}

TEST_F(PlaybackTest, EachLoadReleasesTheLastAndClosingWhilePlayingReleasesAll) {
    // Twenty frames of the box's size at 96 dpi, held whole at any dpi: 5.2 MB.
    constexpr std::size_t kSize = 256, kLoad = 20 * kSize * kSize * 4;
    WriteFrames(19, kSize);
    ui.Prepare(folder.Path(), L"0", L"19", true, false, 1);
    const std::uint64_t before = PrivateBytes();
    for (int run = 0; run < 21; ++run) ui.Click(IdPlayButton);
    const std::uint64_t playing = PrivateBytes();
    EXPECT_LT(playing, before + 2 * kLoad) << "loads kept: " << (playing - before) / kLoad;
    EXPECT_GT(playing, before + kLoad / 2) << "the figure measures what a load holds";
    ASSERT_TRUE(ui.Playing());
    SendMessageW(ui.Window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(ui.Window()));
    ui.Pump(100);  // a tick still queued finds no window
    EXPECT_LT(PrivateBytes(), before + kLoad / 2);
}

// Frame files dropped as Explorer sends them: WM_DROPFILES with a DROPFILES block in global
// memory. What a drop fills in is tested natively.
void Drop(HWND window, const std::wstring& list) {  // paths, each ended by a NUL
    const std::size_t bytes = (list.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, list.c_str(), bytes);
    GlobalUnlock(memory);
    SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);  // the window frees it
}

// The first of the paths counts; it plays; while it plays the fields are locked and a drop changes nothing.
TEST_F(PlaybackTest, ADroppedFrameFillsTheFieldsAndPlaysAndDropsWhilePlayingChangeNothing) {
    const std::wstring shots = folder.File(L"渲染");
    ASSERT_TRUE(CreateDirectoryW(shots.c_str(), nullptr));
    for (int n : {1, 2, 3, 4, 6}) WriteSolidPng(shots + L"\\shot2_000" + std::to_wstring(n) + L".png", 8, 8, 0);
    EXPECT_TRUE(GetWindowLongW(ui.Window(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) << "Explorer may drop here";
    const auto fields = [&] { return std::vector<Text>{ui.TextOf(IdFolderLabel), ui.TextOf(IdLastNumberBox)}; };
    const std::vector<Text> filled{FromWide(shots.c_str()), u"0004"};
    Drop(ui.Window(), shots + L"\\shot2_0003.png" + L'\0' + folder.Path() + L'\0');
    EXPECT_EQ(fields(), filled);
    ui.Click(IdPlayButton);
    ASSERT_TRUE(ui.Playing()) << ::testing::PrintToString(ui.TextOf(IdInfoBox));
    Drop(ui.Window(), shots + L"\\shot2_0006.png" + L'\0');
    EXPECT_EQ(fields(), filled);
    ui.Click(IdPlayButton);
}

int ThreadsOfThisProcess() {
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    return count;
}

// img0 … img39.png, copies of one 1080p PNG of noise.
void WriteLongSequence(const TempFolder& folder) {
    Pixels pixels(1920u * 1080u);
    std::uint32_t seed = 1;
    for (std::uint32_t& p : pixels) p = 0xFF000000u | ((seed = seed * 1664525u + 1013904223u) >> 8);
    const std::wstring first = folder.File(L"img0.png");
    SaveWithGdiplus(first, 1920, 1080, pixels, Encoder::Png);
    for (int n = 1; n < 40; ++n)
        CopyFileW(first.c_str(), folder.File(L"img" + std::to_wstring(n) + L".png").c_str(), FALSE);
}

// Cancelled by the play button, by Esc or by closing the window: nothing plays, and closing
// leaves no thread of the window or its load behind (counted before the window existed). Meanwhile
// the window answers (another thread asks) and the info box shows the frames coming in.
TEST(LongLoadTest, TheWindowAnswersAndTheButtonEscOrClosingCancelsAndNothingPlays) {
    const TempFolder folder;
    WriteLongSequence(folder);
    enum class Cancel { Button, Escape, Close };
    for (const Cancel cancel : {Cancel::Button, Cancel::Escape, Cancel::Close}) {
        SCOPED_TRACE(static_cast<int>(cancel));
        const int threadsBefore = ThreadsOfThisProcess();
        WindowDriver ui;
        ui.Prepare(folder.Path(), L"0", L"39");
        std::atomic<bool> done{cancel == Cancel::Close}, proberEnded{false};  // long gone when threads are counted
        std::atomic<int> unanswered{0};
        std::thread prober([&, window = ui.Window()] {
            for (DWORD_PTR result; !done; Sleep(10))
                unanswered += !SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 100, &result);
            proberEnded = true;
        });
        const auto press = [&] { SendMessageW(ui.Item(IdPlayButton), BM_CLICK, 0, 0); };  // returns as it loads
        press();
        EXPECT_TRUE(ui.InputsAre(false));
        EXPECT_EQ(ui.TextOf(IdInfoBox), u"正在载入：0/40 帧");
        const bool progressed = ui.PumpUntil([&] { return ui.TextOf(IdInfoBox) != u"正在载入：0/40 帧"; }, 20000);
        done = true;
        ui.PumpUntil([&] { return proberEnded.load(); }, 5000);  // its last WM_NULL answered too
        prober.join();
        EXPECT_EQ(unanswered, 0);
        ASSERT_TRUE(progressed && ui.Loading()) << "some frames in, not all";
        if (cancel == Cancel::Close) {
            SendMessageW(ui.Window(), WM_CLOSE, 0, 0);
            EXPECT_FALSE(IsWindow(ui.Window()));
            EXPECT_LE(ThreadsOfThisProcess(), threadsBefore) << "a thread of the window or its load is left";
            continue;
        }
        if (cancel == Cancel::Escape) PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
        else press();
        ASSERT_TRUE(ui.PumpUntil([&] { return !ui.Loading(); }, 5000));
        EXPECT_EQ(ui.TextOf(IdInfoBox), u"已取消载入。");
        EXPECT_FALSE(ui.Playing());
        EXPECT_TRUE(ui.InputsAre(true));
    }
}

}  // namespace
}  // namespace kino::test
