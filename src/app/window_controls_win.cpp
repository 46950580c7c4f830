// The main window's controls: made from the table, and read and written for the playback code.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "app/window_state_win.h"
#include "base/text_win.h"
#include "imaging/picture_box_win.h"

namespace kino {
namespace {

struct ClassAndStyle {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

ClassAndStyle WindowKind(const ControlSpec& entry) {
    const DWORD common =
        WS_CHILD | WS_CLIPSIBLINGS | (entry.visible ? WS_VISIBLE : 0) | (entry.enabled ? 0 : WS_DISABLED);
    switch (entry.kind) {
    case ControlKind::Button:
        return {WC_BUTTONW, common | WS_TABSTOP | (entry.id == IdPlayButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0};
    case ControlKind::Label:
        return {WC_STATICW, common | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    case ControlKind::TextBox:
        if (entry.id == IdInfoBox) return {WC_EDITW, common | ES_MULTILINE, WS_EX_CLIENTEDGE};
        return {WC_EDITW, common | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::ComboBox:
        return {WC_COMBOBOXW, common | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0};
    case ControlKind::ScrollBar:
        return {WC_SCROLLBARW, common | WS_TABSTOP | SBS_HORZ, 0};
    case ControlKind::CheckBox:
        return {WC_BUTTONW, common | WS_TABSTOP | BS_AUTOCHECKBOX, 0};
    case ControlKind::GroupBox:
        return {WC_BUTTONW, common | BS_GROUPBOX, 0};
    case ControlKind::PictureBox:
        return {nullptr, common, WS_EX_CLIENTEDGE};
    }
    return {WC_STATICW, common, 0};
}

HWND CreateControl(MainWindow& window, const ControlSpec& entry) {
    const PixelRect rect = FormRectOf(entry, window.dpi);
    const ClassAndStyle kind = WindowKind(entry);
    if (entry.kind == ControlKind::PictureBox) {
        return CreatePictureBox(window.hwnd, entry.id, rect.left, rect.top, rect.width, rect.height, kind.style,
                                kind.exStyle);
    }
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window.hwnd, GWLP_HINSTANCE));
    return CreateWindowExW(kind.exStyle, kind.className, WideString(entry.caption ? entry.caption : u"").c_str(),
                           kind.style, rect.left, rect.top, rect.width, rect.height, window.hwnd,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)), instance, nullptr);
}

}  // namespace

bool CreateControls(MainWindow& window) {
    // Created in tab order: the window system's Tab key follows creation order.
    for (const ControlSpec& entry : ControlTable()) {
        const HWND control = CreateControl(window, entry);
        if (!control) return false;
        if (entry.kind == ControlKind::CheckBox)
            SendMessageW(control, BM_SETCHECK, entry.value ? BST_CHECKED : BST_UNCHECKED, 0);
        if (entry.kind == ControlKind::ScrollBar) {
            SCROLLINFO info{sizeof info, SIF_RANGE | SIF_POS | SIF_PAGE, kMinRate, kMaxRate, 0, entry.value, 0};
            SetScrollInfo(control, SB_CTL, &info, FALSE);
        }
        if (entry.kind == ControlKind::ComboBox)
            for (const char16_t* item : kTypeEntries)
                SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    OnRateChange(window.controls);  // the rate label's first caption
    // Labels and the frame lie beneath the other controls: the input boxes are drawn over the
    // captions label's blanks, a long folder path disappears under the play button, and the
    // info box lies over its frame. None of them takes the focus, so the Tab order stays.
    for (const ControlSpec& entry : ControlTable())
        if (entry.kind == ControlKind::Label || entry.kind == ControlKind::GroupBox)
            SetWindowPos(window.Item(entry.id), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    LayOut(window);
    return true;
}

Text WindowControls::FolderText() { return WindowText(window_.Item(IdFolderLabel)); }
void WindowControls::SetFolderText(TextView text) { SetWindowTextOf(window_.Item(IdFolderLabel), text); }
Text WindowControls::PrefixText() { return WindowText(window_.Item(IdPrefixBox)); }
void WindowControls::SetPrefixText(TextView text) { SetWindowTextOf(window_.Item(IdPrefixBox), text); }
Text WindowControls::FirstNumberText() { return WindowText(window_.Item(IdFirstNumberBox)); }
void WindowControls::SetFirstNumberText(TextView text) { SetWindowTextOf(window_.Item(IdFirstNumberBox), text); }
Text WindowControls::LastNumberText() { return WindowText(window_.Item(IdLastNumberBox)); }
void WindowControls::SetLastNumberText(TextView text) { SetWindowTextOf(window_.Item(IdLastNumberBox), text); }

std::int32_t WindowControls::TypeIndex() {
    return static_cast<std::int32_t>(SendMessageW(window_.Item(IdTypeList), CB_GETCURSEL, 0, 0));
}

void WindowControls::SetTypeIndex(std::int32_t index) {
    SendMessageW(window_.Item(IdTypeList), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

Text WindowControls::TypeEntry(std::int32_t index) {
    const HWND list = window_.Item(IdTypeList);
    const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return {};
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    return FromWide(buffer.data());
}

bool WindowControls::ReverseChecked() {
    return SendMessageW(window_.Item(IdReverseBox), BM_GETCHECK, 0, 0) != BST_UNCHECKED;
}
bool WindowControls::LoopChecked() { return SendMessageW(window_.Item(IdLoopBox), BM_GETCHECK, 0, 0) != BST_UNCHECKED; }
int WindowControls::Rate() { return GetScrollPos(window_.Item(IdRateBar), SB_CTL); }
Text WindowControls::InfoText() { return WindowText(window_.Item(IdInfoBox)); }
void WindowControls::SetInfoText(TextView text) { SetWindowTextOf(window_.Item(IdInfoBox), text); }
void WindowControls::SetRateCaption(TextView text) { SetWindowTextOf(window_.Item(IdRateLabel), text); }
bool WindowControls::ClockEnabled() { return window_.clock.Enabled(); }
void WindowControls::SetClockEnabled(bool enabled) { window_.clock.SetEnabled(enabled); }
void WindowControls::SetClockInterval(std::int32_t milliseconds) { window_.clock.SetInterval(milliseconds); }

// A control already in that state is left alone: even then, the system's call costs a round trip.
void WindowControls::SetInputsEnabled(bool enabled) {
    for (const ControlSpec& entry : ControlTable()) {
        const HWND control = window_.Item(entry.id);
        if (entry.lockedWhilePlaying && !IsWindowEnabled(control) != !enabled) EnableWindow(control, enabled);
    }
}

void WindowControls::ClearPicture() { ClearPictureBox(window_.Item(IdPictureBox)); }
DrawingSurface& WindowControls::Picture() { return *PictureBoxSurface(window_.Item(IdPictureBox)); }
ImageSize WindowControls::PictureLimit() { return PictureLimitOf(window_); }

}  // namespace kino
