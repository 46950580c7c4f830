// The program's one window: its controls, its playback state and its event handlers.
#pragma once
#include <windows.h>

#include "app/layout.h"
#include "playback/playback.h"

namespace kino {

// The title of the boxes that say the program cannot start.
inline constexpr char16_t kInitErrorTitle[] = u"初始化错误";

struct MainWindowOptions {
    bool quitOnDestroy = true;  // end the message loop when the window is gone
};

// Prepares the common controls, then makes the window with every control of the table. Not shown.
// Null when the window or any of its controls can't be made.
HWND CreateMainWindow(HINSTANCE instance, const MainWindowOptions& options = {});

// The load step: starts GDI+ (a failure shows its box and ends the program), selects "jpg".
void LoadMainWindow(HWND window);

// Shows the window with the keyboard focus on the folder button.
void ShowMainWindow(HWND window, int showCommand);

// Runs the message loop until the window is gone; dialog keys (Tab, Enter) work as in a dialog.
int RunMessageLoop(HWND window);

// For tests: a control by id, the playback state, the clock's settings.
HWND ControlOf(HWND window, ControlId id);
PlaybackState& PlaybackOf(HWND window);
bool ClockEnabledOf(HWND window);
int ClockIntervalOf(HWND window);
int DpiOf(HWND window);
unsigned TicksRunOf(HWND window);  // frame-clock ticks handled so far
bool LoadingOf(HWND window);       // a start's load is running

}  // namespace kino
