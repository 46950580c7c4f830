// The real main window: its controls at the display's dpi and after a move to another, its first
// state, tab order, rate bar and folder dialog, and the program's icon and common controls.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <set>
#include <thread>
#include <vector>

#include "base/text_win.h"
#include "window_driver_win.h"
#include "imaging/picture_box_win.h"
#include "sample_files_win.h"

namespace kino::test {
namespace {

// The dpi the display is set to: KINO_EXPECT_DPI when the test run sets it, else the screen's.
int ExpectedDpi() {
    wchar_t value[16] = {};
    if (GetEnvironmentVariableW(L"KINO_EXPECT_DPI", value, 16) > 0) return _wtoi(value);
    WindowDc screen(nullptr);
    return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

// The rectangle of control in the client area of container.
RECT RectIn(HWND control, HWND container) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, container, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Pixel-exact width of text in the font of control.
int TextWidthIn(HWND control, const Text& text) {
    WindowDc dc(control);
    SelectObjectScope font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), Wide(text), static_cast<int>(text.size()), &size);
    return size.cx;
}

class MainWindow : public ::testing::Test {
protected:
    // Every control in its state and with its caption at its table rectangle for dpi (a label as
    // wide as its caption), every font 9 pt at dpi.
    void ExpectLaidOutAt(int dpi) {
        RECT client{};
        GetClientRect(ui.Window(), &client);
        EXPECT_EQ(client.right, TwipsToPixels(kFormClientWidthTwips, dpi));
        EXPECT_EQ(client.bottom, TwipsToPixels(kFormClientHeightTwips, dpi));
        for (const ControlSpec& entry : ControlTable()) {
            SCOPED_TRACE(entry.id);
            const HWND control = ui.Item(entry.id);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(IsWindowVisible(control) != FALSE, entry.visible);
            EXPECT_EQ(IsWindowEnabled(control) != FALSE, entry.enabled);
            const Text caption = WindowText(control);
            EXPECT_EQ(caption, entry.caption && *entry.caption ? Text(entry.caption) : caption);
            PixelRect expected = PixelRectOf(entry, dpi);
            if (SizesToCaption(entry) && !caption.empty()) expected.width = TextWidthIn(control, caption);
            const RECT got = RectIn(control, entry.parent == IdNone ? ui.Window() : ui.Item(entry.parent));
            EXPECT_NEAR(got.left, expected.left, 1);
            EXPECT_NEAR(got.top, expected.top, 1);
            EXPECT_NEAR(got.right - got.left, expected.width, 1);
            EXPECT_NEAR(got.bottom - got.top, expected.height, 1);
            if (entry.kind == ControlKind::ScrollBar || entry.kind == ControlKind::PictureBox) continue;
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
            EXPECT_EQ(font.lfHeight, -MulDiv(9, dpi, 72));
        }
        // The captions' blanks fitted in the label's own font at this dpi (the fitting itself is
        // tested natively).
        const HWND captions = ui.Item(IdCaptionsLabel);
        EXPECT_EQ(WindowText(captions), FitCaptions([&](TextView text) { return TextWidthIn(captions, Text(text)); },
                                                    dpi));
    }

    // What the window system sends when the window moves to a display of another dpi.
    void MoveToDpi(int dpi) {
        RECT window{};
        GetWindowRect(ui.Window(), &window);
        const int old = dpi_;
        dpi_ = dpi;
        RECT suggested{window.left, window.top, window.left + MulDiv(window.right - window.left, dpi, old),
                       window.top + MulDiv(window.bottom - window.top, dpi, old)};
        SendMessageW(ui.Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        ui.Pump(20);
    }

    WindowDriver ui;
    int dpi_ = ExpectedDpi();
};

using DpiLayout = MainWindow;  // a suite of its own, which the 144-dpi pass runs too

TEST_F(DpiLayout, ControlsFollowTheDisplayDpiAndAMoveToAnother) {
    const int dpi = ExpectedDpi();
    ExpectLaidOutAt(dpi);
    EXPECT_TRUE(IsProcessDPIAware()) << "the system would stretch the window's bitmap";
    const int other = dpi == 96 ? 144 : 96;
    ui.SetText(IdFolderLabel, L"C:\\帧序列\\walk");
    MoveToDpi(other);
    ExpectLaidOutAt(other);
    MoveToDpi(dpi);
    ExpectLaidOutAt(dpi);
}


// A frame larger than the box, played, then the window moved to a lower dpi (at a higher one no
// monitor present has, the part held may end before the box: the README says so): the box, at its
// size there, shows the pixels of the whole frame's top-left part, as before the move.
TEST_F(DpiLayout, AfterAMoveTheBoxShowsTheFramesPixels) {
    TempFolder temp;
    Pixels pixels(500 * 500);
    for (std::uint32_t i = 0; i < pixels.size(); ++i)
        pixels[i] = 0xFF000000u | (i % 500 / 2) << 16 | (i / 500 / 2) << 8;
    for (const wchar_t* name : {L"img0.png", L"img1.png"}) WriteBytes(temp.File(name), PngBytes(500, 500, pixels));
    ui.Prepare(temp.Path(), L"0", L"1");
    ui.Click(IdPlayButton);
    for (const int dpi : {dpi_, dpi_ * 2 / 3}) {
        MoveToDpi(dpi);
        const unsigned ticks = ui.Ticks();
        ASSERT_TRUE(ui.PumpUntil([&] { return ui.Ticks() > ticks + 1; }, 5000));
        RECT box{};
        GetClientRect(ui.Item(IdPictureBox), &box);
        const WindowDc screen(ui.Item(IdPictureBox));
        for (const POINT at : {POINT{box.right - 1, box.bottom - 1}, POINT{box.right / 2, box.bottom - 1}, POINT{1, 1}})
            EXPECT_EQ(GetPixel(screen.get(), at.x, at.y), RGB(at.x / 2, at.y / 2, 0)) << dpi << " dpi, " << at.x;
    }
    ui.Click(IdPlayButton);
}


// The test program carries the program's resources, so its window shows what the program's does.
// The type list offers its types, jpg chosen, and nothing else can be typed.
TEST_F(MainWindow, StartsAsANewFixedSizeWindowWithTheProgramIconAndVersion6Controls) {
    EXPECT_FALSE(GetWindowLongW(ui.Window(), GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX));
    EXPECT_TRUE(GetClassLongPtrW(ui.Window(), GCLP_HICON) && GetClassLongPtrW(ui.Window(), GCLP_HICONSM));
    SIZE ideal{};  // a message only version 6 of the buttons knows
    EXPECT_TRUE(SendMessageW(ui.Item(IdFolderButton), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
    EXPECT_EQ(GetFocus(), ui.Item(IdFolderButton));
    EXPECT_EQ(SendMessageW(ui.Item(IdReverseBox), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(ui.Item(IdLoopBox), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(ui.TextOf(IdRateLabel), u"帧率：30帧每秒");
    EXPECT_EQ(GetWindowLongW(ui.Item(IdTypeList), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    EXPECT_EQ(SendMessageW(ui.Item(IdTypeList), CB_GETCURSEL, 0, 0), 0);
}

const wchar_t* g_refusedClass = nullptr;  // the class whose windows RefuseClass keeps from being made

LRESULT CALLBACK RefuseClass(int code, WPARAM wParam, LPARAM lParam) {
    wchar_t name[64] = {};
    if (code == HCBT_CREATEWND && GetClassNameW(reinterpret_cast<HWND>(wParam), name, 64) &&
        lstrcmpiW(name, g_refusedClass) == 0)
        return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// One control the system won't make (out of handles, say): no window, instead of one that fails later.
TEST(MainWindowCreation, FailsWhenAControlCannotBeMade) {
    for (const wchar_t* refused : {L"Edit", L"KinoreelPicture"}) {
        g_refusedClass = refused;
        const HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseClass, nullptr, GetCurrentThreadId());
        ASSERT_NE(hook, nullptr);
        const HWND window = CreateMainWindow(GetModuleHandleW(nullptr));
        UnhookWindowsHookEx(hook);
        EXPECT_EQ(window, nullptr) << refused;
        if (window) DestroyWindow(window);
        MSG quit;  // the half-made window's
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
}

TEST_F(MainWindow, TabVisitsTheControlsInTheirOrder) {
    std::vector<int> visited;
    SetFocus(ui.Item(IdFolderButton));
    for (int i = 0; i < 12 && visited.size() < 9; ++i) {
        MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
        ASSERT_TRUE(IsDialogMessageW(ui.Window(), &tab));
        if (GetFocus() != ui.Item(IdPictureBox)) visited.push_back(GetDlgCtrlID(GetFocus()));  // it may be a stop
    }
    EXPECT_EQ(visited, (std::vector<int>{IdPrefixBox, IdFirstNumberBox, IdLastNumberBox, IdRateBar, IdPlayButton,
                                         IdReverseBox, IdTypeList, IdLoopBox, IdFolderButton}));
}

TEST_F(MainWindow, RateBarStepsByOneWithinOneTo120AndTheLabelFollows) {
    const HWND bar = ui.Item(IdRateBar);
    const int steps[][2] = {{SB_LINERIGHT, 31}, {SB_PAGELEFT, 30}, {SB_PAGERIGHT, 31}, {SB_LINELEFT, 30}, {SB_LEFT, 1},
                            {SB_LINELEFT, 1},   {SB_RIGHT, 120},  {SB_PAGERIGHT, 120}, {SB_THUMBTRACK, 120}};
    for (const auto [code, position] : steps) {
        SendMessageW(ui.Window(), WM_HSCROLL, MAKEWPARAM(code, 7), reinterpret_cast<LPARAM>(bar));
        EXPECT_EQ(GetScrollPos(bar, SB_CTL), position) << code;
        EXPECT_EQ(ui.TextOf(IdRateLabel), FrameRateCaption(position));
    }
    const RECT label = RectIn(ui.Item(IdRateLabel), ui.Window());
    EXPECT_NEAR(label.right - label.left, TextWidthIn(ui.Item(IdRateLabel), u"帧率：120帧每秒"), 1);
    ui.SetRate(7);
    EXPECT_EQ(ui.TextOf(IdRateLabel), u"帧率：7帧每秒");
}

// The dialog may still be filling its tree: ask again until the folder is the selected item.
void SelectInFolderDialog(HWND dialog, const std::wstring& path) {
    const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    const HWND tree = FindWindowExW(dialog, nullptr, WC_TREEVIEWW, nullptr);
    for (int attempt = 0; attempt < 50; ++attempt) {
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
        Sleep(50);
        wchar_t text[MAX_PATH] = {};
        const auto caret = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        TVITEMW item{TVIF_TEXT, caret, 0, 0, text, MAX_PATH, 0, 0, 0, 0};
        if (item.hItem && SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) && name == text)
            return;
    }
}

// Presses the folder button (its command, which a disabled button would not send) and answers
// its dialog from another thread: runs whileOpen, selects path (or nothing) and presses OK or
// Cancel. True when the dialog, owned by the window, showed.
bool AnswerFolderDialog(const WindowDriver& ui, const std::wstring& path, bool confirm,
                        const std::function<void()>& whileOpen = {}) {
    std::atomic<bool> done{false}, found{false};
    std::thread answer([&] {
        for (int i = 0; i < 400 && !done; ++i, Sleep(25)) {
            const HWND dialog = FindWindowW(L"#32770", nullptr);
            if (!dialog || GetWindow(dialog, GW_OWNER) != ui.Window() || !IsWindowVisible(dialog)) continue;
            found = true;
            if (whileOpen) whileOpen();
            if (!path.empty()) SelectInFolderDialog(dialog, path);
            PostMessageW(dialog, WM_COMMAND, confirm ? IDOK : IDCANCEL, 0);
            return;
        }
    });
    SendMessageW(ui.Window(), WM_COMMAND, MAKEWPARAM(IdFolderButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(ui.Item(IdFolderButton)));
    done = true;
    answer.join();
    return found;
}

// The folder the dialog returns (a Chinese name too) goes into the folder label; Cancel clears it.
// The dialog's modal loop, its command sent while playing, runs no tick of the frame clock: the
// picture keeps the frame it showed.
TEST_F(MainWindow, FolderDialogFillsTheFolderLabelAndNoTickRunsInsideItsLoop) {
    TempFolder temp;
    const std::wstring folder = temp.File(L"帧序列Ωé");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    for (int n = 0; n < 4; ++n)
        WriteSolidPng(folder + L"\\img" + std::to_wstring(n) + L".png", 8, 8, RGB(60 * n, 0, 9));
    EXPECT_TRUE(AnswerFolderDialog(ui, folder, true));
    wchar_t expected[MAX_PATH] = {};  // as the shell spells it (its long form)
    GetLongPathNameW(folder.c_str(), expected, MAX_PATH);
    EXPECT_EQ(ui.TextOf(IdFolderLabel), FromWide(expected));
    ui.Prepare(expected, L"0", L"3");
    ui.Click(IdPlayButton);
    ASSERT_TRUE(ui.PumpUntil([&] { return ui.Ticks() > 2; }, 5000));
    std::set<COLORREF> shown;
    EXPECT_TRUE(AnswerFolderDialog(ui, L"", false, [&] {
        for (int i = 0; i < 30; ++i, Sleep(10)) shown.insert(GetPixel(WindowDc(ui.Item(IdPictureBox)).get(), 2, 2));
    }));
    EXPECT_EQ(shown.size(), 1u) << "frames drawn while the dialog was open";
    EXPECT_EQ(ui.TextOf(IdFolderLabel), u"") << "Cancel loses the path chosen before";
    ui.Click(IdPlayButton);
}

}  // namespace
}  // namespace kino::test
