#include "base/message_box_win.h"

#include "base/text_win.h"

namespace kino {
namespace {

int SystemMessageBox(HWND owner, TextView text, TextView title, unsigned style) {
    return MessageBoxW(owner, WideString(text).c_str(), WideString(title).c_str(), style);
}

MessageBoxFunction g_messageBox = SystemMessageBox;

}  // namespace

int ShowMessageBox(HWND owner, TextView text, TextView title, unsigned style) {
    return g_messageBox(owner, text, title, style);
}

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function) {
    MessageBoxFunction old = g_messageBox;
    g_messageBox = function ? function : SystemMessageBox;
    return old;
}

}  // namespace kino
