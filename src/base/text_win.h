// Bridges between the program's UTF-16 Text and the wide strings of the Windows API.
#pragma once
#include <windows.h>

#include <string>

#include "core/text.h"

namespace kino {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide strings are UTF-16");

inline const wchar_t* Wide(const Text& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
// A terminated copy, for a view that may not be terminated: WideString(view).c_str().
inline std::wstring WideString(TextView text) { return std::wstring(text.begin(), text.end()); }
inline Text FromWide(const wchar_t* text) { return text ? Text(reinterpret_cast<const char16_t*>(text)) : Text(); }
inline Text FromWide(const wchar_t* text, std::size_t length) {
    return Text(reinterpret_cast<const char16_t*>(text), length);
}

// The whole text of a window (caption or edit contents).
Text WindowText(HWND window);
void SetWindowTextOf(HWND window, TextView text);

}  // namespace kino
