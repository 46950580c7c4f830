#include "form_fixture.h"

#include <commctrl.h>

#include "base/win_handles.h"
#include "base/win_text.h"

namespace kino::test {

FormFixture::FormFixture() {
    form_ = CreateForm1(GetModuleHandleW(nullptr), Form1Options{false});
    if (!form_) return;
    Form1Load(form_);
    ShowForm1(form_, SW_SHOWNORMAL);
    SetForegroundWindow(form_);
    Pump(50);
}

FormFixture::~FormFixture() {
    if (form_ && IsWindow(form_)) DestroyWindow(form_);
    Pump(10);
}

Text FormFixture::TextOf(ControlId id) const { return WindowText(Item(id)); }

void FormFixture::SetText(ControlId id, const std::wstring& text) const { SetWindowTextW(Item(id), text.c_str()); }

void FormFixture::Click(ControlId id) const { SendMessageW(Item(id), BM_CLICK, 0, 0); }

void FormFixture::SetChecked(ControlId id, bool checked) const {
    SendMessageW(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void FormFixture::SelectType(int index) const { SendMessageW(Item(IdCombo1), CB_SETCURSEL, index, 0); }

void FormFixture::SetRate(int framesPerSecond) const {
    // Arrow steps, one at a time, like a user clicking an arrow.
    while (GetScrollPos(Item(IdHScroll1), SB_CTL) < framesPerSecond)
        SendMessageW(form_, WM_HSCROLL, SB_LINERIGHT, reinterpret_cast<LPARAM>(Item(IdHScroll1)));
    while (GetScrollPos(Item(IdHScroll1), SB_CTL) > framesPerSecond)
        SendMessageW(form_, WM_HSCROLL, SB_LINELEFT, reinterpret_cast<LPARAM>(Item(IdHScroll1)));
}

bool FormFixture::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) const {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (form_ && IsWindow(form_) && IsDialogMessageW(form_, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            if (done()) return true;
        }
    }
}

void FormFixture::Pump(DWORD milliseconds) const {
    PumpUntil([] { return false; }, milliseconds);
}

void FormFixture::Close() {
    SendMessageW(form_, WM_CLOSE, 0, 0);
    Pump(10);
}

int TextWidthIn(HWND control, const Text& text) {
    WindowDc dc(control);
    SelectObjectScope font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), Wide(text), static_cast<int>(text.size()), &size);
    return size.cx;
}

}  // namespace kino::test
