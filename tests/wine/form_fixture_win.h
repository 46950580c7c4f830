// The real main window, created in the test process and driven with window messages.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "app/main_window_win.h"

namespace kino::test {

class FormFixture {
public:
    FormFixture();  // creates, loads and shows the window
    ~FormFixture();
    FormFixture(const FormFixture&) = delete;
    FormFixture& operator=(const FormFixture&) = delete;

    HWND Window() const { return window_; }
    HWND Item(ControlId id) const { return ControlOf(window_, id); }
    Text TextOf(ControlId id) const;
    void SetText(ControlId id, const std::wstring& text) const;
    void Click(ControlId id) const;  // BM_CLICK on a button
    void SetChecked(ControlId id, bool checked) const;
    void SetRate(int framesPerSecond) const;  // by arrow steps, as a user would
    // Pumps messages until done() is true or the timeout passes; true when done() became true.
    bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) const;
    void Pump(DWORD milliseconds) const { PumpUntil([] { return false; }, milliseconds); }

private:
    HWND window_ = nullptr;
};

// The rectangle of control in the client area of container.
RECT RectIn(HWND control, HWND container);
// Pixel-exact width of text in the font of control.
int TextWidthIn(HWND control, const Text& text);

}  // namespace kino::test
