// The real main window: its controls at the display's dpi and after a move to another, its first
// state, tab order, rate bar and folder dialog, and the program's icon and common controls.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "base/text_win.h"
#include "form_fixture_win.h"
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
            SCOPED_TRACE(entry.designName);
            const HWND control = ui.Item(entry.id);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(IsWindowVisible(control) != FALSE, entry.visible);
            EXPECT_EQ(IsWindowEnabled(control) != FALSE, entry.enabled);
            const Text caption = WindowText(control);
            if (entry.caption && *entry.caption) {
                EXPECT_EQ(caption, entry.caption);
            }
            PixelRect expected = PixelRectOf(entry, dpi);
            if (SizesToCaption(entry) && !caption.empty()) expected.width = TextWidthIn(control, caption);
            const RECT got = RectIn(control, entry.parent == IdNone ? ui.Window() : ui.Item(entry.parent));
            EXPECT_NEAR(got.left, expected.left, 1);
            EXPECT_NEAR(got.top, expected.top, 1);
            EXPECT_NEAR(got.right - got.left, expected.width, 1);
            EXPECT_NEAR(got.bottom - got.top, expected.height, 1);
            if (entry.kind == ControlKind::ScrollBar || entry.kind == ControlKind::PictureBox) continue;
            LOGFONTW font{};
            ASSERT_NE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font), 0);
            EXPECT_EQ(FromWide(font.lfFaceName), u"微软雅黑");
            EXPECT_EQ(font.lfHeight, -MulDiv(9, dpi, 72));
            EXPECT_EQ(font.lfCharSet, 134);
        }
        // The captions' blanks fitted in the label's own font at this dpi (the fitting itself is
        // tested natively).
        const HWND captions = ui.Item(IdCaptionsLabel);
        EXPECT_EQ(WindowText(captions), FitCaptions([&](TextView text) { return TextWidthIn(captions, Text(text)); }, dpi));
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

    FormFixture ui;
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


// The test program carries the program's resources, so its window shows what the program's does.
TEST_F(MainWindow, StartsAsANewFixedSizeWindowWithTheProgramIconAndVersion6Controls) {
    EXPECT_FALSE(GetWindowLongW(ui.Window(), GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX));
    EXPECT_NE(GetClassLongPtrW(ui.Window(), GCLP_HICON), 0);
    EXPECT_NE(GetClassLongPtrW(ui.Window(), GCLP_HICONSM), 0);
    SIZE ideal{};  // a message only version 6 of the buttons knows
    EXPECT_TRUE(SendMessageW(ui.Item(IdFolderButton), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
    EXPECT_EQ(GetFocus(), ui.Item(IdFolderButton));
    EXPECT_EQ(SendMessageW(ui.Item(IdReverseBox), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(ui.Item(IdLoopBox), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(GetScrollPos(ui.Item(IdRateBar), SB_CTL), 30);
    EXPECT_EQ(ui.TextOf(IdRateLabel), u"帧率：30帧每秒");
    EXPECT_FALSE(ui.Playing());
    // The type list offers three types, jpg chosen, and nothing else can be typed.
    EXPECT_EQ(GetWindowLongW(ui.Item(IdTypeList), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    EXPECT_EQ(SendMessageW(ui.Item(IdTypeList), CB_GETCOUNT, 0, 0), 3);
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
    const ControlId expected[] = {IdPrefixBox,  IdFirstNumberBox, IdLastNumberBox, IdRateBar, IdPlayButton,
                                  IdReverseBox, IdTypeList,       IdLoopBox,       IdFolderButton};
    SetFocus(ui.Item(IdFolderButton));
    for (ControlId id : expected) {
        MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
        ASSERT_TRUE(IsDialogMessageW(ui.Window(), &tab));
        if (GetFocus() == ui.Item(IdPictureBox)) {  // the picture box may be a tab stop, before the type list
            EXPECT_EQ(id, IdTypeList);
            MSG again{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
            IsDialogMessageW(ui.Window(), &again);
        }
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), id);
    }
}

TEST_F(MainWindow, RateBarStepsByOneWithinOneTo120AndTheLabelFollows) {
    const HWND bar = ui.Item(IdRateBar);
    const struct {
        int code, position;
    } steps[] = {{SB_LINERIGHT, 31}, {SB_PAGELEFT, 30}, {SB_PAGERIGHT, 31},  {SB_LINELEFT, 30},   {SB_LEFT, 1},
                 {SB_LINELEFT, 1},   {SB_RIGHT, 120},   {SB_PAGERIGHT, 120}, {SB_THUMBTRACK, 120}};
    for (const auto& step : steps) {
        SendMessageW(ui.Window(), WM_HSCROLL, MAKEWPARAM(step.code, 7), reinterpret_cast<LPARAM>(bar));
        EXPECT_EQ(GetScrollPos(bar, SB_CTL), step.position) << step.code;
        EXPECT_EQ(ui.TextOf(IdRateLabel), FrameRateCaption(step.position));
    }
    const RECT label = RectIn(ui.Item(IdRateLabel), ui.Window());
    EXPECT_NEAR(label.right - label.left, TextWidthIn(ui.Item(IdRateLabel), u"帧率：120帧每秒"), 1);
    ui.SetRate(7);
    EXPECT_EQ(ui.TextOf(IdRateLabel), u"帧率：7帧每秒");
}

// Answers the folder dialog from another thread: selects path (or nothing) and presses OK or Cancel.
class DialogDriver {
public:
    DialogDriver(HWND owner, std::wstring path, bool confirm)
        : thread_([=, this] {
              for (int i = 0; i < 400 && !done_; ++i, Sleep(25)) {
                  const HWND dialog = FindWindowW(L"#32770", nullptr);
                  if (!dialog || GetWindow(dialog, GW_OWNER) != owner || !IsWindowVisible(dialog)) continue;
                  found_ = true;
                  if (!path.empty()) Select(dialog, path);
                  PostMessageW(dialog, WM_COMMAND, confirm ? IDOK : IDCANCEL, 0);
                  return;
              }
          }) {}
    ~DialogDriver() {
        done_ = true;
        thread_.join();
    }
    bool Found() const { return found_; }

private:
    // The dialog may still be filling its tree: ask again until the folder is the selected item.
    static void Select(HWND dialog, const std::wstring& path) {
        const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
        const HWND tree = FindWindowExW(dialog, nullptr, WC_TREEVIEWW, nullptr);
        for (int attempt = 0; attempt < 50; ++attempt) {
            SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
            Sleep(50);
            wchar_t text[MAX_PATH] = {};
            const auto caret = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
            TVITEMW item{TVIF_TEXT, caret, 0, 0, text, MAX_PATH, 0, 0, 0, 0};
            if (item.hItem && SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) && name == text) return;
        }
    }

    std::atomic<bool> done_{false};
    std::atomic<bool> found_{false};
    std::thread thread_;
};

TEST_F(MainWindow, FolderDialogPutsTheChosenPathIntoTheFolderLabelChineseNamesIncluded) {
    TempFolder temp;
    const std::wstring folder = temp.File(L"帧序列Ωé");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    // The folder's one sequence fills the prefix, the type and the number box left empty.
    for (int n = 1; n <= 12; ++n) WriteBytes(folder + (n < 10 ? L"\\帧_00" : L"\\帧_0") + std::to_wstring(n) + L".bmp", "");
    ui.SetText(IdLastNumberBox, L"9");
    {
        DialogDriver driver(ui.Window(), folder, true);
        ui.Click(IdFolderButton);
        EXPECT_TRUE(driver.Found());
    }
    wchar_t expected[MAX_PATH] = {};  // as the shell spells it (its long form)
    GetLongPathNameW(folder.c_str(), expected, MAX_PATH);
    EXPECT_EQ(ui.TextOf(IdFolderLabel), FromWide(expected));
    EXPECT_EQ(ui.TextOf(IdPrefixBox), u"帧_");
    EXPECT_EQ(SendMessageW(ui.Item(IdTypeList), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(ui.TextOf(IdFirstNumberBox), u"001");
    EXPECT_EQ(ui.TextOf(IdLastNumberBox), u"9") << "typed";
    {
        DialogDriver driver(ui.Window(), L"", false);
        ui.Click(IdFolderButton);
        EXPECT_TRUE(driver.Found());
    }
    EXPECT_EQ(ui.TextOf(IdFolderLabel), u"") << "Cancel loses the path chosen before";
}

}  // namespace
}  // namespace kino::test
