// The real main window, created in the test process and driven with window messages.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "app/form1.h"
#include "core/text.h"

namespace kino::test {

class FormFixture {
public:
    FormFixture();  // creates, loads and shows Form1
    ~FormFixture();
    FormFixture(const FormFixture&) = delete;
    FormFixture& operator=(const FormFixture&) = delete;

    HWND Form() const { return form_; }
    HWND Item(ControlId id) const { return Form1Control(form_, id); }
    Text TextOf(ControlId id) const;
    void SetText(ControlId id, const std::wstring& text) const;
    void Click(ControlId id) const;  // BM_CLICK on a button
    void SetChecked(ControlId id, bool checked) const;
    void SelectType(int index) const;
    void SetRate(int framesPerSecond) const;  // by arrow steps, as a user would
    // Pumps messages until done() is true or the timeout passes; true when done() became true.
    bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) const;
    void Pump(DWORD milliseconds) const;
    void Close();  // WM_CLOSE, as the close button does

private:
    HWND form_ = nullptr;
};

// Pixel-exact width of text in the font of control.
int TextWidthIn(HWND control, const Text& text);

}  // namespace kino::test
