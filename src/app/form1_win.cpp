#include "app/form1.h"

#include <commctrl.h>

#include <memory>
#include <utility>
#include <vector>

#include "base/message_box.h"
#include "base/win_handles.h"
#include "base/win_text.h"
#include "framestore/file_system_win.h"
#include "imaging/gdiplus2_win.h"
#include "imaging/image_service_win.h"
#include "imaging/picture_box_win.h"
#include "playback/frame_timer_win.h"
#include "shell/browse_folder.h"

namespace kino {
namespace {

constexpr wchar_t kFormClass[] = L"KinoreelForm1";
// No WS_CLIPCHILDREN: the group box is transparent and relies on the window painting behind it.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kFormExStyle = 0;
constexpr char16_t kInitErrorText[] = u"GDI+ 初始化错误。程序即将关闭。";
constexpr char16_t kInitErrorTitle[] = u"初始化错误";

struct Form1;

// The window's controls as the playback handlers see them.
class Form1Controls final : public FormControls {
public:
    explicit Form1Controls(Form1& form) : form_(form) {}
    Text Label1Caption() override;
    Text Text1(int index) override;
    void SetText1(int index, TextView text) override;
    std::int32_t Combo1ListIndex() override;
    Text Combo1List(std::int32_t index) override;
    int Check1Value() override;
    int Check2Value() override;
    int HScroll1Value() override;
    void SetInfoText(TextView text) override;
    void SetLabel3Caption(TextView text) override;
    bool Timer1Enabled() override;
    void SetTimer1Enabled(bool enabled) override;
    void SetTimer1Interval(std::int32_t milliseconds) override;
    void SetControlEnabled(InputControl control, bool enabled) override;
    void ClearPicture1() override;
    DrawingSurface& Picture1() override;

private:
    Form1& form_;
};

// Everything the window owns; made at WM_NCCREATE, freed at WM_NCDESTROY.
struct Form1 {
    explicit Form1(HWND window, const Form1Options& opts)
        : hwnd(window), options(opts), controls(*this), boxes(window), timer1(window, kTimer1Message) {
        timer1.SetInterval(kInitialInterval);
    }

    HWND hwnd;
    Form1Options options;
    int dpi = 96;
    UniqueFont font;
    HWND focus = nullptr;  // restored when the window is activated again
    int handlerDepth = 0;  // > 0 while a click or tick handler runs (its message boxes included)
    unsigned ticksRun = 0;

    PlaybackState state;
    Form1Controls controls;
    Win32FileSystem files;
    GdiplusImageService images;
    WindowMessageBoxes boxes;
    FrameTimer timer1;

    Platform platform() { return Platform{files, images, boxes}; }
    HWND Item(ControlId id) const { return Form1Control(hwnd, id); }
};

Form1* FormOf(HWND window) { return reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

// Counts a handler as running, so that a tick arriving through a message box's loop is dropped.
class HandlerScope {
public:
    explicit HandlerScope(Form1& form) : form_(form) { ++form_.handlerDepth; }
    ~HandlerScope() { --form_.handlerDepth; }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    Form1& form_;
};

class WaitCursor {
public:
    WaitCursor() : old_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(old_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR old_;
};

// ---- Layout -------------------------------------------------------------------------------

int ScreenDpi() {
    WindowDc screen(nullptr);
    int dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
    return dpi > 0 ? dpi : 96;
}

// The dpi of the display the window is on, which on Windows 10 can differ from the system's;
// older systems have only the system's.
int WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT dpi = getDpiForWindow ? getDpiForWindow(window) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : ScreenDpi();
}

// Gives the window the table's client area at dpi. The frame is measured, not computed: its
// size at a new dpi depends on the system version and on how the move was made.
void FitClientSize(HWND window, int dpi) {
    RECT outer{}, client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    const int width = outer.right - outer.left - client.right + TwipsToPixels(kFormClientWidthTwips, dpi);
    const int height = outer.bottom - outer.top - client.bottom + TwipsToPixels(kFormClientHeightTwips, dpi);
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

UniqueFont MakeFont(int dpi) {
    Text face = kFontFace;
    return UniqueFont(CreateFontW(-MulDiv(kFontPoints, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                  kFontCharset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, Wide(face)));
}

// The pixel width of text in font.
int MeasureText(HFONT font, TextView text) {
    WindowDc screen(nullptr);
    SelectObjectScope select(screen.get(), font);
    Text copy(text);
    SIZE size{};
    GetTextExtentPoint32W(screen.get(), Wide(copy), static_cast<int>(copy.size()), &size);
    return size.cx;
}

// A self-sizing label takes the width of its caption (the table's width when it has none).
void FitLabelWidth(HWND label, int dpi) {
    const ControlSpec& entry = Control(static_cast<ControlId>(GetDlgCtrlID(label)));
    PixelRect rect = PixelRectOf(entry, dpi);
    Text caption = WindowText(label);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
    int width = caption.empty() ? rect.width : MeasureText(font, caption);
    SetWindowPos(label, nullptr, 0, 0, width, rect.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Self-sizing labels follow every change of their caption, whoever makes it.
LRESULT CALLBACK AutoSizeLabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR dpi) {
    LRESULT result = DefSubclassProc(label, message, wParam, lParam);
    if (message == WM_SETTEXT || message == WM_SETFONT) FitLabelWidth(label, static_cast<int>(dpi));
    return result;
}

void MakeAutoSize(HWND label, int dpi) {
    SetWindowSubclass(label, AutoSizeLabelProc, 1, static_cast<DWORD_PTR>(dpi));
    FitLabelWidth(label, dpi);
}

// Gives the closed drop-down list the table's height (its edit field follows the font otherwise).
void FitComboHeight(HWND combo, int height) {
    LRESULT item = SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    if (item == CB_ERR) return;
    int set = static_cast<int>(item);
    // Systems differ in what they add around the item; converge on the wanted height.
    for (int attempt = 0; attempt < 4; ++attempt) {
        RECT rect{};
        GetWindowRect(combo, &rect);
        int current = rect.bottom - rect.top;
        if (current == height) return;
        set += height - current;
        if (set <= 0) return;
        SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), set);
    }
}

// A control's rectangle in the window's client area. txtInfo is listed inside Frame1 but is a
// sibling lying over it: a group box is no container for the window system.
PixelRect FormRectOf(const ControlSpec& entry, int dpi) {
    PixelRect rect = PixelRectOf(entry, dpi);
    if (entry.parent != IdNone) {
        PixelRect parent = PixelRectOf(Control(entry.parent), dpi);
        rect.left += parent.left;
        rect.top += parent.top;
    }
    return rect;
}

// Places every control at its table rectangle for the window's dpi, with the font of that dpi.
void LayOut(Form1& form) {
    UniqueFont previous = std::move(form.font);  // deleted once no control uses it any more
    form.font = MakeFont(form.dpi);
    for (const ControlSpec& entry : ControlTable()) {
        HWND control = form.Item(entry.id);
        PixelRect rect = FormRectOf(entry, form.dpi);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(form.font.get()), FALSE);
        int height = entry.kind == ControlKind::ComboBox ? rect.height * 8 : rect.height;  // room for the list
        SetWindowPos(control, nullptr, rect.left, rect.top, rect.width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    FitComboHeight(form.Item(IdCombo1), PixelRectOf(Control(IdCombo1), form.dpi).height);
    HFONT font = form.font.get();
    SetWindowTextOf(form.Item(IdLabel2),
                    FitLabel2Caption([font](TextView text) { return MeasureText(font, text); }, form.dpi));
    for (const ControlSpec& entry : ControlTable())
        if (entry.autoSize) MakeAutoSize(form.Item(entry.id), form.dpi);  // again at a new dpi
    RedrawWindow(form.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

SIZE FormWindowSize(int dpi) {
    RECT rect{0, 0, TwipsToPixels(kFormClientWidthTwips, dpi), TwipsToPixels(kFormClientHeightTwips, dpi)};
    AdjustWindowRectEx(&rect, kFormStyle, FALSE, kFormExStyle);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

struct ClassAndStyle {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

ClassAndStyle WindowKind(const ControlSpec& entry) {
    const DWORD common = WS_CHILD | WS_CLIPSIBLINGS | (entry.visible ? WS_VISIBLE : 0) | (entry.enabled ? 0 : WS_DISABLED);
    switch (entry.kind) {
    case ControlKind::CommandButton:
        return {WC_BUTTONW, common | WS_TABSTOP | (entry.id == IdCommand2 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0};
    case ControlKind::Label:
        return {WC_STATICW, common | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    case ControlKind::TextBox:
        if (entry.id == IdTxtInfo)
            return {WC_EDITW, common | ES_MULTILINE, WS_EX_CLIENTEDGE};
        return {WC_EDITW, common | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::ComboBox:
        return {WC_COMBOBOXW, common | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0};
    case ControlKind::HScrollBar:
        return {WC_SCROLLBARW, common | WS_TABSTOP | SBS_HORZ, 0};
    case ControlKind::CheckBox:
        return {WC_BUTTONW, common | WS_TABSTOP | BS_AUTOCHECKBOX, 0};
    case ControlKind::Frame:
        return {WC_BUTTONW, common | BS_GROUPBOX, 0};
    case ControlKind::PictureBox:
        return {nullptr, common, WS_EX_CLIENTEDGE};
    }
    return {WC_STATICW, common, 0};
}

void CreateControls(Form1& form) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(form.hwnd, GWLP_HINSTANCE));
    // Created in tab order: the window system's Tab key follows creation order.
    for (const ControlSpec& entry : ControlTable()) {
        HWND parent = form.hwnd;
        PixelRect rect = FormRectOf(entry, form.dpi);
        ClassAndStyle kind = WindowKind(entry);
        HWND control;
        if (entry.kind == ControlKind::PictureBox) {
            control = CreatePictureBox(parent, entry.id, rect.left, rect.top, rect.width, rect.height, kind.style,
                                       kind.exStyle);
        } else {
            Text caption = entry.caption ? entry.caption : u"";
            control = CreateWindowExW(kind.exStyle, kind.className, Wide(caption), kind.style, rect.left, rect.top,
                                      rect.width, rect.height, parent,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)), instance, nullptr);
        }
        if (entry.kind == ControlKind::CheckBox)
            SendMessageW(control, BM_SETCHECK, entry.value ? BST_CHECKED : BST_UNCHECKED, 0);
        if (entry.kind == ControlKind::HScrollBar) {
            SCROLLINFO info{sizeof info, SIF_RANGE | SIF_POS | SIF_PAGE, kScrollMin, kScrollMax, 0, entry.value, 0};
            SetScrollInfo(control, SB_CTL, &info, FALSE);
        }
        if (entry.kind == ControlKind::ComboBox)
            for (const char16_t* item : kComboEntries)
                SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    // Labels and the frame lie beneath the other controls: the input boxes are drawn over
    // Label2's blanks, a long folder path in Label1 disappears under Command2, and txtInfo
    // lies over Frame1. None of them takes the focus, so the Tab order stays.
    for (const ControlSpec& entry : ControlTable())
        if (entry.kind == ControlKind::Label || entry.kind == ControlKind::Frame)
            SetWindowPos(form.Item(entry.id), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowTextOf(form.Item(IdLabel2), Label2Caption());
    LayOut(form);
}

// ---- Handlers -----------------------------------------------------------------------------

void OnCommand1Click(Form1& form) {
    HandlerScope scope(form);
    SetWindowTextOf(form.Item(IdLabel1), BrowseForFolder(form.hwnd, kFolderDialogTitle));
}

// No exception may cross the window procedure: a run that runs out of memory just ends.
void OnCommand2Click(Form1& form) {
    HandlerScope scope(form);
    WaitCursor wait;
    try {
        RunStartStop(form.state, form.controls, form.platform());
    } catch (const std::exception&) {
    }
}

void OnTimer1Tick(Form1& form) {
    HandlerScope scope(form);
    ++form.ticksRun;
    try {
        FrameClockTick(form.state, form.controls, form.platform());
    } catch (const std::exception&) {
    }
}

// HScroll1: arrows and page steps move by 1; the thumb counts when it is released.
void OnHScroll(Form1& form, HWND bar, int code) {
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(bar, SB_CTL, &info);
    int value = info.nPos;
    switch (code) {
    case SB_LINELEFT: case SB_PAGELEFT: value -= 1; break;
    case SB_LINERIGHT: case SB_PAGERIGHT: value += 1; break;
    case SB_LEFT: value = kScrollMin; break;
    case SB_RIGHT: value = kScrollMax; break;
    case SB_THUMBPOSITION: value = info.nTrackPos; break;
    default: return;  // SB_THUMBTRACK, SB_ENDSCROLL: no change yet
    }
    if (value < kScrollMin) value = kScrollMin;
    if (value > kScrollMax) value = kScrollMax;
    SetScrollPos(bar, SB_CTL, value, TRUE);
    if (value != info.nPos) {
        HandlerScope scope(form);
        OnHScroll1Change(form.controls);
    }
}

// Unload: release the frames while GDI+ still runs, then end GDI+. The close is never refused.
void OnUnload(Form1& form) {
    form.timer1.SetEnabled(false);
    if (form.state.FramesLoaded) ReleaseFrameImages(form.state.FrameList, form.images);
    TerminateGDIPlus();
}

LRESULT CALLBACK Form1Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Form1* form = FormOf(window);
    switch (message) {
    case WM_NCCREATE: {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* options = static_cast<const Form1Options*>(create->lpCreateParams);
        try {
            form = new Form1(window, *options);
        } catch (...) {  // no memory, or the clock's thread could not start
            return FALSE;
        }
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        break;
    }
    case WM_CREATE:
        form->dpi = WindowDpi(window);
        CreateControls(*form);
        FitClientSize(window, form->dpi);
        form->focus = form->Item(IdCommand1);
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == IdCommand1) OnCommand1Click(*form);
            else if (LOWORD(wParam) == IdCommand2) OnCommand2Click(*form);
            return 0;
        }
        break;
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == form->Item(IdHScroll1)) OnHScroll(*form, form->Item(IdHScroll1), LOWORD(wParam));
        return 0;
    case kTimer1Message:
        if (form->timer1.AcceptTick(wParam)) {
            // A tick that comes through a message box's loop inside a handler is dropped.
            if (form->handlerDepth == 0) OnTimer1Tick(*form);
            form->timer1.TickDone();
        }
        return 0;
    case DM_GETDEFID:
        return MAKELRESULT(IdCommand2, DC_HASDEFID);
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(window, focus)) form->focus = focus;
        } else if (form->focus && IsWindowEnabled(form->focus)) {
            SetFocus(form->focus);
            return 0;
        }
        break;
    case WM_DPICHANGED: {
        form->dpi = HIWORD(wParam);
        auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        FitClientSize(window, form->dpi);
        LayOut(*form);
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        OnUnload(*form);
        if (form->options.quitOnDestroy) PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete form;
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterForm1Class(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(instance, kFormClass, &wc)) return true;
    wc.lpfnWndProc = Form1Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                               LR_DEFAULTCOLOR));
    return RegisterClassExW(&wc) != 0;
}

}  // namespace

// ---- Form1Controls ------------------------------------------------------------------------

Text Form1Controls::Label1Caption() { return WindowText(form_.Item(IdLabel1)); }

static ControlId Text1Id(int index) {
    switch (index) {
    case 0: return IdText1_0;
    case 1: return IdText1_1;
    case 2: return IdText1_2;
    default: return IdText1_3;
    }
}

Text Form1Controls::Text1(int index) { return WindowText(form_.Item(Text1Id(index))); }
void Form1Controls::SetText1(int index, TextView text) { SetWindowTextOf(form_.Item(Text1Id(index)), text); }

std::int32_t Form1Controls::Combo1ListIndex() {
    return static_cast<std::int32_t>(SendMessageW(form_.Item(IdCombo1), CB_GETCURSEL, 0, 0));
}

Text Form1Controls::Combo1List(std::int32_t index) {
    HWND combo = form_.Item(IdCombo1);
    LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return {};
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    return FromWide(buffer.data());
}

int Form1Controls::Check1Value() {
    return static_cast<int>(SendMessageW(form_.Item(IdCheck1), BM_GETCHECK, 0, 0));
}
int Form1Controls::Check2Value() {
    return static_cast<int>(SendMessageW(form_.Item(IdCheck2), BM_GETCHECK, 0, 0));
}
int Form1Controls::HScroll1Value() { return GetScrollPos(form_.Item(IdHScroll1), SB_CTL); }
void Form1Controls::SetInfoText(TextView text) { SetWindowTextOf(form_.Item(IdTxtInfo), text); }
void Form1Controls::SetLabel3Caption(TextView text) { SetWindowTextOf(form_.Item(IdLabel3), text); }
bool Form1Controls::Timer1Enabled() { return form_.timer1.Enabled(); }
void Form1Controls::SetTimer1Enabled(bool enabled) { form_.timer1.SetEnabled(enabled); }
void Form1Controls::SetTimer1Interval(std::int32_t milliseconds) { form_.timer1.SetInterval(milliseconds); }

void Form1Controls::SetControlEnabled(InputControl control, bool enabled) {
    static constexpr ControlId kIds[] = {IdCommand1, IdText1_0, IdCombo1, IdText1_2, IdText1_3, IdHScroll1, IdCheck2};
    EnableWindow(form_.Item(kIds[static_cast<int>(control)]), enabled);
}

void Form1Controls::ClearPicture1() { PictureBoxCls(form_.Item(IdPicture1)); }
DrawingSurface& Form1Controls::Picture1() { return *PictureBoxSurface(form_.Item(IdPicture1)); }

// ---- Public -------------------------------------------------------------------------------

HWND CreateForm1(HINSTANCE instance, const Form1Options& options) {
    // Initialize: the common controls are prepared before the first control exists.
    InitCommonControls();
    if (!RegisterForm1Class(instance)) return nullptr;
    int dpi = ScreenDpi();
    SIZE size = FormWindowSize(dpi);
    Text title = kFormTitle;
    return CreateWindowExW(kFormExStyle, kFormClass, Wide(title), kFormStyle, CW_USEDEFAULT, CW_USEDEFAULT, size.cx,
                           size.cy, nullptr, nullptr, instance, const_cast<Form1Options*>(&options));
}

void Form1Load(HWND window) {
    Form1* form = FormOf(window);
    InitGDIPlus(true, true, kInitErrorText, kStopIconStyle, kInitErrorTitle);
    SendMessageW(form->Item(IdCombo1), CB_SETCURSEL, 0, 0);
    form->state.FramesLoaded = false;
}

void ShowForm1(HWND window, int showCommand) {
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    SetFocus(Form1Control(window, IdCommand1));
}

int RunMessageLoop(HWND window) {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsWindow(window) && IsDialogMessageW(window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

HWND Form1Control(HWND form, ControlId id) { return GetDlgItem(form, id); }

PlaybackState& Form1State(HWND form) { return FormOf(form)->state; }
bool Form1TimerEnabled(HWND form) { return FormOf(form)->timer1.Enabled(); }
int Form1TimerInterval(HWND form) { return FormOf(form)->timer1.Interval(); }
int Form1Dpi(HWND form) { return FormOf(form)->dpi; }
unsigned Form1TicksRun(HWND form) { return FormOf(form)->ticksRun; }

}  // namespace kino
