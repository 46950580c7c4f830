// The main window's layout at a given dpi: sizes, fonts, self-sizing labels, fitted captions.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "app/window_state_win.h"
#include "base/dll_function_win.h"
#include "base/text_win.h"

namespace kino {
namespace {

const DllFunction<kUser32, UINT(HWND)> GetDpiForWindow{"GetDpiForWindow"};  // Windows 10 on
inline constexpr wchar_t kShcore[] = L"shcore.dll";
const DllFunction<kShcore, HRESULT(HMONITOR, int, UINT*, UINT*)> GetDpiForMonitor{"GetDpiForMonitor", E_NOTIMPL};
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI: the dpi the window system scales windows for

BOOL CALLBACK KeepHighestDpi(HMONITOR monitor, HDC, LPRECT, LPARAM highest) {
    UINT x = 0, y = 0;
    if (SUCCEEDED(GetDpiForMonitor(monitor, kEffectiveDpi, &x, &y)))
        *reinterpret_cast<int*>(highest) = std::max(*reinterpret_cast<int*>(highest), static_cast<int>(x));
    return TRUE;
}

UniqueFont MakeFont(int dpi) {
    return UniqueFont(CreateFontW(-MulDiv(kFontPoints, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                  kFontCharset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, WideString(kFontFace).c_str()));
}

// The pixel width of text in font.
int MeasureText(HFONT font, TextView text) {
    WindowDc screen(nullptr);
    SelectObjectScope select(screen.get(), font);
    SIZE size{};
    GetTextExtentPoint32W(screen.get(), WideString(text).c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// A self-sizing label takes the width of its caption (the table's width when it has none).
void FitLabelWidth(HWND label, int dpi) {
    const PixelRect rect = PixelRectOf(Control(static_cast<ControlId>(GetDlgCtrlID(label))), dpi);
    const Text caption = WindowText(label);
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
    const int width = caption.empty() ? rect.width : MeasureText(font, caption);
    SetWindowPos(label, nullptr, 0, 0, width, rect.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Self-sizing labels follow every change of their caption, whoever makes it.
LRESULT CALLBACK SelfSizingLabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR dpi) {
    const LRESULT result = DefSubclassProc(label, message, wParam, lParam);
    if (message == WM_SETTEXT || message == WM_SETFONT) FitLabelWidth(label, static_cast<int>(dpi));
    return result;
}

// Gives the closed drop-down list the table's height (its edit field follows the font otherwise).
void FitComboHeight(HWND combo, int height) {
    const LRESULT item = SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    if (item == CB_ERR) return;
    int set = static_cast<int>(item);
    // Systems differ in what they add around the item; converge on the wanted height.
    for (int attempt = 0; attempt < 4; ++attempt) {
        RECT rect{};
        GetWindowRect(combo, &rect);
        const int current = rect.bottom - rect.top;
        if (current == height) return;
        set += height - current;
        if (set <= 0) return;
        SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), set);
    }
}

}  // namespace

int ScreenDpi() {
    WindowDc screen(nullptr);
    const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
    return dpi > 0 ? dpi : 96;
}

// The dpi of the display the window is on, which on Windows 10 can differ from the system's;
// older systems have only the system's.
int WindowDpi(HWND window) {
    const UINT dpi = GetDpiForWindow(window);
    return dpi > 0 ? static_cast<int>(dpi) : ScreenDpi();
}

SIZE WindowSizeFor(int dpi) {
    RECT rect{0, 0, TwipsToPixels(kFormClientWidthTwips, dpi), TwipsToPixels(kFormClientHeightTwips, dpi)};
    AdjustWindowRectEx(&rect, kFormStyle, FALSE, 0);
    return {rect.right - rect.left, rect.bottom - rect.top};
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

// The info box is listed inside the info frame but is a sibling lying over it: a group box is
// no container for the window system.
PixelRect FormRectOf(const ControlSpec& entry, int dpi) {
    PixelRect rect = PixelRectOf(entry, dpi);
    if (entry.parent != IdNone) {
        const PixelRect parent = PixelRectOf(Control(entry.parent), dpi);
        rect.left += parent.left;
        rect.top += parent.top;
    }
    return rect;
}

void LayOut(MainWindow& window) {
    UniqueFont previous = std::move(window.font);  // deleted once no control uses it any more
    window.font = MakeFont(window.dpi);
    for (const ControlSpec& entry : ControlTable()) {
        const HWND control = window.Item(entry.id);
        const PixelRect rect = FormRectOf(entry, window.dpi);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(window.font.get()), FALSE);
        const int height = entry.kind == ControlKind::ComboBox ? rect.height * 8 : rect.height;  // room for the list
        SetWindowPos(control, nullptr, rect.left, rect.top, rect.width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    FitComboHeight(window.Item(IdTypeList), PixelRectOf(Control(IdTypeList), window.dpi).height);
    const HFONT font = window.font.get();
    SetWindowTextOf(window.Item(IdCaptionsLabel),
                    FitCaptions([font](TextView text) { return MeasureText(font, text); }, window.dpi));
    for (const ControlSpec& entry : ControlTable()) {
        if (!SizesToCaption(entry)) continue;
        // Again at a new dpi: the subclass carries the dpi it sizes for.
        SetWindowSubclass(window.Item(entry.id), SelfSizingLabelProc, 1, static_cast<DWORD_PTR>(window.dpi));
        FitLabelWidth(window.Item(entry.id), window.dpi);
    }
    RedrawWindow(window.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

ImageSize PictureLimitOf(const MainWindow& window) {
    // The window goes where a monitor is: its box is never larger than at the highest dpi among
    // them (or the window's own, where the system tells no monitor's).
    int dpi = std::max(window.dpi, ScreenDpi());
    EnumDisplayMonitors(nullptr, nullptr, KeepHighestDpi, reinterpret_cast<LPARAM>(&dpi));
    const PixelRect box = FormRectOf(Control(IdPictureBox), dpi);
    return {static_cast<std::uint32_t>(box.width), static_cast<std::uint32_t>(box.height)};
}

}  // namespace kino
