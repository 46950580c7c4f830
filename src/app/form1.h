// Form1, the program's one window: its controls, its playback state and its event handlers.
#pragma once
#include <windows.h>

#include "app/layout.h"
#include "playback/playback.h"

namespace kino {

// Where the frame clock's ticks arrive.
inline constexpr UINT kTimer1Message = WM_APP + 1;

struct Form1Options {
    bool quitOnDestroy = true;  // end the message loop when the window is gone
};

// Initialize (common controls), then the window with every control of the table. Not shown yet.
HWND CreateForm1(HINSTANCE instance, const Form1Options& options = {});

// The Load handler: starts GDI+ (a failure shows its box and ends the program), selects "jpg",
// clears FramesLoaded.
void Form1Load(HWND form);

// Shows the window with the keyboard focus on Command1.
void ShowForm1(HWND form, int showCommand);

// Runs the message loop until the window is gone; dialog keys (Tab, Enter) work as in a dialog.
int RunMessageLoop(HWND form);

// For tests: a control by id, the playback state, the clock's settings.
HWND Form1Control(HWND form, ControlId id);
PlaybackState& Form1State(HWND form);
bool Form1TimerEnabled(HWND form);
int Form1TimerInterval(HWND form);
int Form1Dpi(HWND form);
unsigned Form1TicksRun(HWND form);  // frame-clock ticks handled so far

}  // namespace kino
