// The real main window, created in this process and driven with window messages as a user
// would: by the Windows tests and by the benchmarks.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "app/main_window_win.h"
#include "app/window_state_win.h"
#include "base/handles_win.h"
#include "base/text_win.h"

namespace kino::test {

class WindowDriver {
public:
    WindowDriver() : window_(CreateMainWindow(GetModuleHandleW(nullptr))) {
        int exitCode = 0;
        if (!window_ || !LoadMainWindow(window_, &exitCode)) return;
        ShowMainWindow(window_, SW_SHOWNORMAL);
        SetForegroundWindow(window_);
        Pump(50);
    }
    ~WindowDriver() {
        if (IsWindow(window_)) DestroyWindow(window_);
        Pump(10);
        MSG quit;  // the window's last act: the program's loop would end here, the next window's must not
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    WindowDriver(const WindowDriver&) = delete;
    WindowDriver& operator=(const WindowDriver&) = delete;

    HWND Window() const { return window_; }
    HWND Item(ControlId id) const { return GetDlgItem(window_, id); }
    // What the user sees: a load's progress in the info box; while playing, the inputs locked.
    bool Loading() const { return TextOf(IdInfoBox).starts_with(u"正在载入："); }
    bool Playing() const { return !Loading() && !IsWindowEnabled(Item(IdFolderButton)); }
    // Frame-clock ticks that have reached the window through this driver's pumping.
    unsigned Ticks() const { return ticks_; }
    Text TextOf(ControlId id) const { return WindowText(Item(id)); }
    void SetText(ControlId id, const std::wstring& text) const { SetWindowTextW(Item(id), text.c_str()); }
    // BM_CLICK on a button, then the messages until a load it began has ended.
    void Click(ControlId id) const {
        SendMessageW(Item(id), BM_CLICK, 0, 0);
        PumpUntil([this] { return !Loading(); }, 60000);
    }
    // The folder's img<first> … img<last> files of the type (0 jpg, 1 bmp, 2 png) to play, typed in
    // as a user would.
    void Prepare(const std::wstring& folder, const wchar_t* first, const wchar_t* last, bool loop = true,
                 bool reverse = false, int rate = 120, int type = 2) const {
        SetText(IdFolderLabel, folder);
        SetText(IdPrefixBox, L"img");
        SetText(IdFirstNumberBox, first);
        SetText(IdLastNumberBox, last);
        SendMessageW(Item(IdTypeList), CB_SETCURSEL, static_cast<WPARAM>(type), 0);
        SetChecked(IdLoopBox, loop);
        SetChecked(IdReverseBox, reverse);
        SetRate(rate);
    }
    void SetChecked(ControlId id, bool checked) const {
        SendMessageW(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    // By arrow steps, as a user would.
    void SetRate(int framesPerSecond) const {
        for (int at; (at = GetScrollPos(Item(IdRateBar), SB_CTL)) != framesPerSecond;)
            SendMessageW(window_, WM_HSCROLL, at < framesPerSecond ? SB_LINERIGHT : SB_LINELEFT,
                         reinterpret_cast<LPARAM>(Item(IdRateBar)));
    }
    // Whether the controls locked while playing are all `enabled`; the play button and the reverse
    // box stay enabled throughout.
    bool InputsAre(bool enabled) const {
        for (const ControlSpec& entry : ControlTable())
            if (entry.lockedWhilePlaying && (IsWindowEnabled(Item(entry.id)) != FALSE) != enabled)
                return false;
        return IsWindowEnabled(Item(IdReverseBox)) && IsWindowEnabled(Item(IdPlayButton));
    }
    // Pumps messages, as the program's loop does, until done() is true (then true) or the time is up.
    bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) const {
        const ULONGLONG end = GetTickCount64() + timeoutMs;
        for (; !done(); MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT)) {
            if (GetTickCount64() >= end) return false;
            for (MSG msg; !done() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
                if (msg.hwnd == window_ && msg.message == kClockMessage) ++ticks_;
                if (IsWindow(window_) && IsDialogMessageW(window_, &msg)) continue;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        return true;
    }
    void Pump(DWORD milliseconds) const { PumpUntil([] { return false; }, milliseconds); }

private:
    HWND window_;
    mutable unsigned ticks_ = 0;
};

}  // namespace kino::test
