// Kinoreel's entry: the window is the program; the process ends when it is gone.
#include <windows.h>

#include "app/main_window_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    HWND window = kino::CreateMainWindow(instance);
    if (!window) return 1;
    kino::LoadMainWindow(window);  // ends the program when GDI+ can't start; the window stays unseen
    kino::ShowMainWindow(window, showCommand);
    return kino::RunMessageLoop(window);
}
