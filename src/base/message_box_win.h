// Modal message boxes, through one replaceable function so tests can answer them.
#pragma once
#include <windows.h>

#include "core/platform.h"

namespace kino {

using MessageBoxFunction = int (*)(HWND owner, TextView text, TextView title, unsigned style);

// Shows a modal box owned by owner (may be null) and returns the button chosen.
int ShowMessageBox(HWND owner, TextView text, TextView title, unsigned style);

// Replaces the function behind ShowMessageBox (null restores MessageBoxW); returns the old one.
MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function);

}  // namespace kino
