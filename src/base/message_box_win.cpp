#include "base/message_box.h"

#include "base/win_text.h"

namespace kino {
namespace {

int SystemMessageBox(HWND owner, TextView text, TextView title, unsigned style) {
    Text t(text), c(title);
    return MessageBoxW(owner, Wide(t), Wide(c), style);
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
