// The program's one window: its controls, its playback state and its event handlers.
#pragma once
#include <windows.h>

#include "app/layout.h"
#include "playback/playback.h"

namespace kino {

// The title of the boxes that say the program cannot start.
inline constexpr char16_t kInitErrorTitle[] = u"初始化错误";

// Prepares the common controls, then makes the window with every control of the table. Not shown.
// Null when the window or any of its controls can't be made.
HWND CreateMainWindow(HINSTANCE instance);

// The load step: starts GDI+ and selects "jpg". False, once the start-up error box has been
// closed, when GDI+ can't start: then *exitCode is GDI+'s status and the window must not be shown.
bool LoadMainWindow(HWND window, int* exitCode);

// Shows the window with the keyboard focus on the folder button.
void ShowMainWindow(HWND window, int showCommand);

// Runs the message loop until the window is gone (it posts the quit when it is destroyed);
// dialog keys (Tab, Enter) work as in a dialog.
int RunMessageLoop(HWND window);

}  // namespace kino
