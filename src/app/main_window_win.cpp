// The main window's procedure: each message it handles, and its handler.
#include "app/main_window_win.h"

#include <commctrl.h>

#include <algorithm>

#include "app/drop_win.h"
#include "app/open_sequence.h"
#include "app/window_state_win.h"
#include "base/text_win.h"
#include "imaging/frame_images_win.h"
#include "shell/browse_folder_win.h"

namespace kino {
namespace {

constexpr wchar_t kWindowClass[] = L"KinoreelForm1";
constexpr char16_t kInitErrorText[] = u"GDI+ 初始化错误。程序即将关闭。";

MainWindow* WindowOf(HWND window) { return reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

// Counts a handler as running, so that a tick arriving through a message box's loop is dropped.
class HandlerScope {
public:
    explicit HandlerScope(MainWindow& window) : window_(window) { ++window_.handlerDepth; }
    ~HandlerScope() { --window_.handlerDepth; }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    MainWindow& window_;
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

LRESULT OnNcCreate(HWND hwnd) {
    try {
        auto* window = new MainWindow(hwnd);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
        return TRUE;
    } catch (...) {  // no memory, or the clock's thread could not start
        return FALSE;
    }
}

// -1 (CreateWindowExW fails) when a control can't be made: a window without it would fail later.
LRESULT OnCreate(MainWindow& window) {
    window.dpi = WindowDpi(window.hwnd);
    if (!CreateControls(window)) return -1;
    FitClientSize(window.hwnd, window.dpi);
    window.focus = window.Item(IdFolderButton);
    DragAcceptFiles(window.hwnd, TRUE);
    return 0;
}

// A chosen folder also fills the fields left empty from the sequence it holds.
void OnFolderButton(MainWindow& window) {
    HandlerScope scope(window);
    const Text folder = BrowseForFolder(window.hwnd, kFolderDialogTitle);
    try {
        OpenFolder(window.controls, window.files, folder);
    } catch (const std::exception&) {
    }
}

// A folder or a frame file dropped from Explorer. The inputs are locked while an animation
// plays: a drop then changes nothing.
void OnDropFiles(MainWindow& window, HDROP drop) {
    const Text path = TakeFirstDroppedPath(drop);
    if (path.empty() || !IsWindowEnabled(window.Item(IdFolderButton))) return;
    HandlerScope scope(window);
    try {
        OpenDroppedPath(window.controls, window.files, path);
    } catch (const std::exception&) {
    }
}

// No exception may cross the window procedure: a run that runs out of memory just ends. A start
// returns once its load runs; the load's end comes as a message. Pressed during a load, the
// button cancels it.
void OnPlayButton(MainWindow& window) {
    HandlerScope scope(window);
    if (window.load.Active()) {
        window.load.Cancel();
        return;
    }
    try {
        const std::int64_t pressed = FrameTimer::Now();
        WaitCursor wait;  // while the files are looked up and listed
        std::optional<LoadRequest> request = StartStopCommand(window.state, window.controls, window.platform());
        if (request) window.load.Begin(window.state, window.controls, window.platform(), std::move(request.value()));
        // The first frame comes one interval after the press, or as soon as the load ends after that.
        if (window.load.Active()) window.clock.CountNextStartFrom(pressed);
    } catch (const std::exception&) {
    }
    // The keyboard stays with the window: the focus leaves a box that the load has disabled.
    const HWND focus = GetFocus();
    if (focus && !IsWindowEnabled(focus)) SetFocus(window.Item(IdPlayButton));
}

void OnLoadDone(MainWindow& window) {
    HandlerScope scope(window);
    try {
        window.load.OnDone(window.state, window.controls);
    } catch (const std::exception&) {
    }
}

void OnCommand(MainWindow& window, WPARAM wParam) {
    if (HIWORD(wParam) != BN_CLICKED) return;
    if (LOWORD(wParam) == IDCANCEL) window.load.Cancel();  // Esc, through the dialog keys
    if (LOWORD(wParam) == IdFolderButton) OnFolderButton(window);
    if (LOWORD(wParam) == IdPlayButton) OnPlayButton(window);
}

// While a load runs the pointer says that the window works and still answers.
bool OnSetCursor(const MainWindow& window, LPARAM lParam) {
    if (!window.load.Active() || LOWORD(lParam) != HTCLIENT) return false;
    SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
    return true;
}

// The rate bar: arrows and page steps move by 1; the thumb counts when it is released.
void OnRateBar(MainWindow& window, HWND bar, int code) {
    if (bar != window.Item(IdRateBar)) return;
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(bar, SB_CTL, &info);
    int value = info.nPos;
    switch (code) {
    case SB_LINELEFT: case SB_PAGELEFT: value -= 1; break;
    case SB_LINERIGHT: case SB_PAGERIGHT: value += 1; break;
    case SB_LEFT: value = kMinRate; break;
    case SB_RIGHT: value = kMaxRate; break;
    case SB_THUMBPOSITION: value = info.nTrackPos; break;
    default: return;  // SB_THUMBTRACK, SB_ENDSCROLL: no change yet
    }
    value = std::clamp(value, kMinRate, kMaxRate);
    SetScrollPos(bar, SB_CTL, value, TRUE);
    if (value != info.nPos) {
        HandlerScope scope(window);
        OnRateChange(window.controls);
    }
}

void OnClockTick(MainWindow& window, WPARAM tick) {
    if (!window.clock.AcceptTick(tick)) return;
    // A tick that comes through a message box's loop inside a handler is dropped.
    if (window.handlerDepth == 0) {
        HandlerScope scope(window);
        try {
            FrameClockTick(window.state, window.controls, window.platform());
        } catch (const std::exception&) {
        }
    }
    window.clock.TickDone();
}

// Keeps the focused control over a switch to another program and back.
bool OnActivate(MainWindow& window, WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(window.hwnd, focus)) window.focus = focus;
        return false;
    }
    if (!window.focus || !IsWindowEnabled(window.focus)) return false;
    SetFocus(window.focus);
    return true;
}

void OnDpiChanged(MainWindow& window, int dpi, const RECT& suggested) {
    window.dpi = dpi;
    SetWindowPos(window.hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    FitClientSize(window.hwnd, dpi);
    LayOut(window);
}

// Stop a load and release the frames while GDI+ still runs, then end GDI+. The close is never
// refused.
void OnDestroy(MainWindow& window) {
    window.load.Abandon();
    window.clock.SetEnabled(false);
    ReleaseFrameImages(window.state.frames);  // only a load that played left frames
    TerminateGDIPlus();
    PostQuitMessage(0);
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE && !OnNcCreate(hwnd)) return FALSE;
    MainWindow* window = WindowOf(hwnd);
    if (!window) return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: return OnCreate(*window);
    case WM_COMMAND: OnCommand(*window, wParam); return 0;
    case WM_DROPFILES: OnDropFiles(*window, reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_HSCROLL: OnRateBar(*window, reinterpret_cast<HWND>(lParam), LOWORD(wParam)); return 0;
    case kClockMessage: OnClockTick(*window, wParam); return 0;
    case kLoadDoneMessage: OnLoadDone(*window); return 0;
    case WM_TIMER: if (wParam == kLoadProgressTimer) window->load.OnProgressTimer(window->controls); return 0;
    case WM_SETCURSOR: if (OnSetCursor(*window, lParam)) return TRUE; break;
    case DM_GETDEFID: return MAKELRESULT(IdPlayButton, DC_HASDEFID);
    case WM_ACTIVATE: if (OnActivate(*window, wParam)) return 0; break;
    case WM_DPICHANGED: OnDpiChanged(*window, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_DESTROY: OnDestroy(*window); return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        delete window;
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(instance, kWindowClass, &wc)) return true;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    const auto icon = [instance](int width, int height) {
        return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(width),
                                             GetSystemMetrics(height), LR_DEFAULTCOLOR));
    };
    wc.hIcon = icon(SM_CXICON, SM_CYICON);
    wc.hIconSm = icon(SM_CXSMICON, SM_CYSMICON);
    return RegisterClassExW(&wc) != 0;
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance) {
    // The common controls are prepared before the first control exists.
    InitCommonControls();
    if (!RegisterWindowClass(instance)) return nullptr;
    const SIZE size = WindowSizeFor(ScreenDpi());
    return CreateWindowExW(0, kWindowClass, WideString(kFormTitle).c_str(), kFormStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                           size.cx, size.cy, nullptr, nullptr, instance, nullptr);
}

bool LoadMainWindow(HWND hwnd, int* exitCode) {
    const std::int32_t status = InitGDIPlus();
    if (status != 0) {
        ShowMessageBox(nullptr, kInitErrorText, kInitErrorTitle, kStopIconStyle);  // the window is never shown
        *exitCode = status;
        return false;
    }
    SendMessageW(GetDlgItem(hwnd, IdTypeList), CB_SETCURSEL, 0, 0);
    return true;
}

void ShowMainWindow(HWND hwnd, int showCommand) {
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    SetFocus(GetDlgItem(hwnd, IdFolderButton));
}

int RunMessageLoop(HWND hwnd) {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsWindow(hwnd) && IsDialogMessageW(hwnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace kino
