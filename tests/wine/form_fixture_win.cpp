#include "form_fixture_win.h"

#include "base/handles_win.h"
#include "base/text_win.h"

namespace kino::test {

FormFixture::FormFixture() {
    window_ = CreateMainWindow(GetModuleHandleW(nullptr), MainWindowOptions{false});
    if (!window_) return;
    LoadMainWindow(window_);
    ShowMainWindow(window_, SW_SHOWNORMAL);
    SetForegroundWindow(window_);
    Pump(50);
}

FormFixture::~FormFixture() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    Pump(10);
}

Text FormFixture::TextOf(ControlId id) const { return WindowText(Item(id)); }

void FormFixture::SetText(ControlId id, const std::wstring& text) const { SetWindowTextW(Item(id), text.c_str()); }

void FormFixture::Click(ControlId id) const { SendMessageW(Item(id), BM_CLICK, 0, 0); }

void FormFixture::SetChecked(ControlId id, bool checked) const {
    SendMessageW(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void FormFixture::SetRate(int framesPerSecond) const {
    const HWND bar = Item(IdRateBar);
    while (GetScrollPos(bar, SB_CTL) != framesPerSecond) {
        const int step = GetScrollPos(bar, SB_CTL) < framesPerSecond ? SB_LINERIGHT : SB_LINELEFT;
        SendMessageW(window_, WM_HSCROLL, step, reinterpret_cast<LPARAM>(bar));
    }
}

bool FormFixture::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) const {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!window_ || !IsWindow(window_) || !IsDialogMessageW(window_, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            if (done()) return true;
        }
    }
}

RECT RectIn(HWND control, HWND container) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, container, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int TextWidthIn(HWND control, const Text& text) {
    WindowDc dc(control);
    SelectObjectScope font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), Wide(text), static_cast<int>(text.size()), &size);
    return size.cx;
}

}  // namespace kino::test
