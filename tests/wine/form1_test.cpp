// The real main window: controls, fonts, tab order, scroll bar, list, folder dialog.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <thread>

#include "app/layout.h"
#include "base/win_text.h"
#include "form_fixture.h"
#include "test_support.h"

namespace kino::test {
namespace {

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// The rectangle in the client area of the window, or of Frame1 for the control inside it.
RECT RectIn(HWND control, HWND container) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, container, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}
RECT RectInParent(HWND control) { return RectIn(control, GetParent(control)); }

const wchar_t* ExpectedClass(ControlKind kind) {
    switch (kind) {
    case ControlKind::CommandButton: case ControlKind::CheckBox: case ControlKind::Frame: return L"Button";
    case ControlKind::Label: return L"Static";
    case ControlKind::TextBox: return L"Edit";
    case ControlKind::ComboBox: return L"ComboBox";
    case ControlKind::HScrollBar: return L"ScrollBar";
    case ControlKind::PictureBox: return nullptr;  // the program's own class
    }
    return nullptr;
}

class Form1Test : public ::testing::Test {
protected:
    FormFixture ui;
};

TEST_F(Form1Test, WindowHasItsTitleFixedBorderAndClientSize) {
    ASSERT_NE(ui.Form(), nullptr);
    EXPECT_EQ(WindowText(ui.Form()), u"Kinoreel");
    const int dpi = Form1Dpi(ui.Form());
    RECT client{};
    GetClientRect(ui.Form(), &client);
    EXPECT_EQ(client.right, TwipsToPixels(8520, dpi));
    EXPECT_EQ(client.bottom, TwipsToPixels(5700, dpi));
    LONG style = GetWindowLongW(ui.Form(), GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the user can't resize the window";
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(IsWindowVisible(ui.Form()));
}

TEST_F(Form1Test, EveryControlHasItsClassRectangleCaptionFontAndState) {
    const int dpi = Form1Dpi(ui.Form());
    for (const ControlSpec& entry : ControlTable()) {
        SCOPED_TRACE(entry.name);
        HWND control = ui.Item(entry.id);
        ASSERT_NE(control, nullptr);
        if (const wchar_t* cls = ExpectedClass(entry.kind)) {
            EXPECT_EQ(ClassOf(control), cls);
        }
        EXPECT_EQ(IsWindowVisible(control) != FALSE, entry.visible);
        EXPECT_EQ(IsWindowEnabled(control) != FALSE, entry.enabled);

        PixelRect expected = PixelRectOf(entry, dpi);
        Text caption = WindowText(control);
        if (entry.autoSize && !caption.empty()) expected.width = TextWidthIn(control, caption);
        RECT got = RectIn(control, entry.parent == IdNone ? ui.Form() : ui.Item(entry.parent));
        EXPECT_NEAR(got.left, expected.left, 1);
        EXPECT_NEAR(got.top, expected.top, 1);
        EXPECT_NEAR(got.right - got.left, expected.width, 1);
        EXPECT_NEAR(got.bottom - got.top, expected.height, 1);

        if (entry.caption && entry.id != IdLabel2) {
            EXPECT_EQ(caption, Text(entry.caption));
        }

        if (entry.kind != ControlKind::HScrollBar && entry.kind != ControlKind::PictureBox) {
            HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
            ASSERT_NE(font, nullptr);
            LOGFONTW lf{};
            ASSERT_NE(GetObjectW(font, sizeof lf, &lf), 0);
            EXPECT_EQ(FromWide(lf.lfFaceName), u"微软雅黑");
            EXPECT_EQ(lf.lfHeight, -MulDiv(9, dpi, 72));
            EXPECT_EQ(lf.lfCharSet, 134);
            EXPECT_EQ(lf.lfWeight, FW_NORMAL);
            EXPECT_FALSE(lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut);
        }
    }
}

TEST_F(Form1Test, InitialValuesAreThoseOfANewWindow) {
    EXPECT_EQ(ui.TextOf(IdLabel1), u"");
    EXPECT_EQ(ui.TextOf(IdText1_0), u"");
    EXPECT_EQ(ui.TextOf(IdText1_2), u"");
    EXPECT_EQ(ui.TextOf(IdText1_3), u"");
    EXPECT_EQ(ui.TextOf(IdTxtInfo), u"");
    EXPECT_EQ(ui.TextOf(IdLabel3), u"帧率：30帧每秒");
    EXPECT_EQ(ui.TextOf(IdLabel4).rfind(u"制作：", 0), 0u);
    EXPECT_EQ(SendMessageW(ui.Item(IdCheck1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(ui.Item(IdCheck2), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(ui.Item(IdCombo1), CB_GETCURSEL, 0, 0), 0);
    EXPECT_FALSE(Form1TimerEnabled(ui.Form()));
    EXPECT_EQ(Form1TimerInterval(ui.Form()), 33);
    EXPECT_FALSE(Form1State(ui.Form()).FramesLoaded);
    EXPECT_EQ(GetFocus(), ui.Item(IdCommand1));
    // txtInfo: disabled, on the button-face colour, over Frame1.
    RECT frame = RectInParent(ui.Item(IdFrame1)), info = RectInParent(ui.Item(IdTxtInfo));
    EXPECT_TRUE(info.left > frame.left && info.right < frame.right && info.top > frame.top && info.bottom < frame.bottom);
    RedrawWindow(ui.Form(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC dc = GetDC(ui.Item(IdTxtInfo));
    COLORREF inside = GetPixel(dc, (info.right - info.left) / 2, (info.bottom - info.top) / 2);
    ReleaseDC(ui.Item(IdTxtInfo), dc);
    EXPECT_EQ(inside, GetSysColor(COLOR_BTNFACE));
}

TEST_F(Form1Test, Label2CaptionsEndLeftOfTheirInputControls) {
    Text caption = ui.TextOf(IdLabel2);
    HWND label = ui.Item(IdLabel2);
    const int labelLeft = RectInParent(label).left;
    struct Piece { const char16_t* text; ControlId control; };
    const Piece pieces[] = {{u"前缀：", IdText1_0}, {u"扩展名：*.", IdCombo1}, {u"开始编号：", IdText1_2}, {u"结束编号：", IdText1_3}};
    ControlId previous = IdNone;
    for (const Piece& piece : pieces) {
        SCOPED_TRACE(Utf8FromText(piece.text));
        std::size_t at = caption.find(piece.text);
        ASSERT_NE(at, Text::npos);
        int start = labelLeft + TextWidthIn(label, caption.substr(0, at));
        int end = labelLeft + TextWidthIn(label, caption.substr(0, at + Text(piece.text).size()));
        EXPECT_LE(end, RectInParent(ui.Item(piece.control)).left);
        EXPECT_GE(end, RectInParent(ui.Item(piece.control)).left - 16) << "close to its control";
        if (previous != IdNone) {
            EXPECT_GE(start, RectInParent(ui.Item(previous)).right) << "not hidden by a box";
        }
        previous = piece.control;
    }
}

TEST_F(Form1Test, TabVisitsTheControlsInTheirOrder) {
    const ControlId expected[] = {IdText1_0, IdText1_2, IdText1_3, IdHScroll1, IdCommand2,
                                  IdCheck1,  IdCombo1,  IdCheck2,  IdCommand1};
    SetFocus(ui.Item(IdCommand1));
    HWND picture = ui.Item(IdPicture1);
    for (ControlId id : expected) {
        MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
        ASSERT_TRUE(IsDialogMessageW(ui.Form(), &tab));
        if (GetFocus() == picture) {  // the picture box may be a tab stop; it comes before Combo1
            EXPECT_EQ(id, IdCombo1);
            MSG again{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
            IsDialogMessageW(ui.Form(), &again);
        }
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), id);
    }
}

TEST_F(Form1Test, ScrollBarStepsByOneWithinOneTo120AndTheLabelFollows) {
    HWND bar = ui.Item(IdHScroll1);
    SCROLLINFO info{sizeof info, SIF_RANGE | SIF_POS, 0, 0, 0, 0, 0};
    GetScrollInfo(bar, SB_CTL, &info);
    EXPECT_EQ(info.nMin, 1);
    EXPECT_EQ(info.nMax, 120);
    EXPECT_EQ(info.nPos, 30);
    auto scroll = [&](int code, int pos = 0) {
        SendMessageW(ui.Form(), WM_HSCROLL, MAKEWPARAM(code, pos), reinterpret_cast<LPARAM>(bar));
        return GetScrollPos(bar, SB_CTL);
    };
    EXPECT_EQ(scroll(SB_LINERIGHT), 31);
    EXPECT_EQ(ui.TextOf(IdLabel3), u"帧率：31帧每秒");
    EXPECT_EQ(scroll(SB_PAGELEFT), 30);
    EXPECT_EQ(scroll(SB_PAGERIGHT), 31);
    EXPECT_EQ(scroll(SB_LINELEFT), 30);
    EXPECT_EQ(scroll(SB_LEFT), 1);
    EXPECT_EQ(scroll(SB_LINELEFT), 1);
    EXPECT_EQ(ui.TextOf(IdLabel3), u"帧率：1帧每秒");
    EXPECT_EQ(scroll(SB_RIGHT), 120);
    EXPECT_EQ(scroll(SB_PAGERIGHT), 120);
    EXPECT_EQ(ui.TextOf(IdLabel3), u"帧率：120帧每秒");
    // Label3 sizes itself to its caption.
    EXPECT_NEAR(RectInParent(ui.Item(IdLabel3)).right - RectInParent(ui.Item(IdLabel3)).left,
                TextWidthIn(ui.Item(IdLabel3), u"帧率：120帧每秒"), 1);
    // Dragging the thumb changes nothing until it is released.
    scroll(SB_THUMBTRACK, 7);
    EXPECT_EQ(ui.TextOf(IdLabel3), u"帧率：120帧每秒");
    ui.SetRate(7);
    EXPECT_EQ(ui.TextOf(IdLabel3), u"帧率：7帧每秒");
}

TEST_F(Form1Test, TypeListOffersExactlyJpgBmpPng) {
    HWND combo = ui.Item(IdCombo1);
    EXPECT_TRUE((GetWindowLongW(combo, GWL_STYLE) & 3) == CBS_DROPDOWNLIST) << "the user can only pick an entry";
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
    const wchar_t* entries[] = {L"jpg", L"bmp", L"png"};
    for (int i = 0; i < 3; ++i) {
        wchar_t text[16] = {};
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, entries[i]);
    }
}

// Answers the folder dialog from another thread: selects path (or nothing) and presses OK or Cancel.
class DialogDriver {
public:
    DialogDriver(HWND owner, std::wstring path, bool confirm)
        : thread_([=, this] {
              for (int i = 0; i < 400 && !done_; ++i) {
                  HWND dialog = FindOwnedDialog(owner);
                  if (dialog) {
                      found_ = true;
                      if (!path.empty()) Select(dialog, path);
                      PostMessageW(dialog, WM_COMMAND, confirm ? IDOK : IDCANCEL, 0);
                      return;
                  }
                  Sleep(25);
              }
          }) {}
    ~DialogDriver() {
        done_ = true;
        thread_.join();
    }
    bool Found() const { return found_; }

private:
    static HWND FindOwnedDialog(HWND owner) {
        HWND found = nullptr;
        for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); w; w = FindWindowExW(nullptr, w, L"#32770", nullptr))
            if (GetWindow(w, GW_OWNER) == owner && IsWindowVisible(w)) found = w;
        return found;
    }

    // The dialog may still be filling its tree: ask again until the folder is the selected item.
    static void Select(HWND dialog, const std::wstring& path) {
        const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
        HWND tree = FindWindowExW(dialog, nullptr, WC_TREEVIEWW, nullptr);
        for (int attempt = 0; attempt < 50; ++attempt) {
            SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
            Sleep(50);
            auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
            wchar_t text[MAX_PATH] = {};
            TVITEMW tv{};
            tv.mask = TVIF_TEXT;
            tv.hItem = item;
            tv.pszText = text;
            tv.cchTextMax = MAX_PATH;
            if (item && SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv)) && name == text) return;
        }
    }

    std::atomic<bool> done_{false};
    std::atomic<bool> found_{false};
    std::thread thread_;
};

TEST_F(Form1Test, FolderDialogPutsTheChosenPathIntoLabel1ChineseNamesIncluded) {
    TempFolder temp;
    const std::wstring folder = temp.File(L"帧序列Ωé");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    {
        DialogDriver driver(ui.Form(), folder, true);
        ui.Click(IdCommand1);
        EXPECT_TRUE(driver.Found());
    }
    // Compare as the shell spells it (its long form).
    wchar_t expected[MAX_PATH] = {};
    GetLongPathNameW(folder.c_str(), expected, MAX_PATH);
    EXPECT_EQ(ui.TextOf(IdLabel1), FromWide(expected));
    RECT label = RectInParent(ui.Item(IdLabel1));
    EXPECT_NEAR(label.right - label.left, TextWidthIn(ui.Item(IdLabel1), ui.TextOf(IdLabel1)), 1) << "Label1 grows";

    // Cancel loses the path chosen before.
    {
        DialogDriver driver(ui.Form(), L"", false);
        ui.Click(IdCommand1);
        EXPECT_TRUE(driver.Found());
    }
    EXPECT_EQ(ui.TextOf(IdLabel1), u"");
}

}  // namespace
}  // namespace kino::test
