// A start's load on the real window: it answers throughout, shows its progress, and can be
// cancelled by the play button, Esc or closing.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "form_fixture_win.h"
#include "sample_files_win.h"

namespace kino::test {
namespace {

int ThreadsOfThisProcess() {
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    return count;
}

class LongLoadTest : public ::testing::Test {
protected:
    // img0 … img<frames-1>.png, copies of one 1080p PNG of noise, and a take0 … take9 beside them.
    void WriteSequence(int frames = 40) {
        Pixels pixels(1920u * 1080u);
        std::uint32_t seed = 1;
        for (std::uint32_t& p : pixels) p = 0xFF000000u | ((seed = seed * 1664525u + 1013904223u) >> 8);
        const std::wstring first = folder.File(L"img0.png");
        SaveWithGdiplus(first, 1920, 1080, pixels, Encoder::Png);
        for (int n = 1; n < frames; ++n)
            CopyFileW(first.c_str(), folder.File(L"img" + std::to_wstring(n) + L".png").c_str(), FALSE);
        for (int n = 0; n < 10; ++n)
            CopyFileW(first.c_str(), folder.File(L"take" + std::to_wstring(n) + L".png").c_str(), FALSE);
    }
    static void Prepare(const FormFixture& ui, const std::wstring& folder) {
        ui.SetText(IdFolderLabel, folder);
        ui.SetText(IdPrefixBox, L"img");
        ui.SetText(IdFirstNumberBox, L"0");
        ui.SetText(IdLastNumberBox, L"39");
        SendMessageW(ui.Item(IdTypeList), CB_SETCURSEL, 2, 0);
    }
    static void Press(const FormFixture& ui) { SendMessageW(ui.Item(IdPlayButton), BM_CLICK, 0, 0); }

    TempFolder folder;
};

// Cancelled by the play button, by Esc or by closing the window: nothing plays, and closing
// leaves no thread of the window or its load behind (counted before the window existed). Meanwhile
// the window answers (another thread asks) and the info box shows the frames coming in.
TEST_F(LongLoadTest, TheWindowAnswersAndTheButtonEscOrClosingCancelsAndNothingPlays) {
    WriteSequence();
    enum class Cancel { Button, Escape, Close };
    for (const Cancel cancel : {Cancel::Button, Cancel::Escape, Cancel::Close}) {
        SCOPED_TRACE(static_cast<int>(cancel));
        const int threadsBefore = ThreadsOfThisProcess();
        FormFixture ui;
        Prepare(ui, folder.Path());
        std::atomic<bool> done{false}, proberEnded{false};
        std::atomic<int> unanswered{0};
        std::thread prober([&, window = ui.Window()] {
            for (DWORD_PTR result; !done; Sleep(10))
                unanswered += !SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 100, &result);
            proberEnded = true;
        });
        Press(ui);
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
        else Press(ui);
        ASSERT_TRUE(ui.PumpUntil([&] { return !ui.Loading(); }, 5000));
        EXPECT_EQ(ui.TextOf(IdInfoBox), u"已取消载入。");
        EXPECT_FALSE(ui.Playing());
        EXPECT_TRUE(ui.InputsAre(true));
    }
}

}  // namespace
}  // namespace kino::test
