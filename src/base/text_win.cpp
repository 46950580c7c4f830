#include "base/text_win.h"

#include <vector>

namespace kino {

Text WindowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    int got = GetWindowTextW(window, buffer.data(), length + 1);
    return FromWide(buffer.data(), static_cast<std::size_t>(got < 0 ? 0 : got));
}

void SetWindowTextOf(HWND window, TextView text) {
    SetWindowTextW(window, WideString(text).c_str());
}

}  // namespace kino
