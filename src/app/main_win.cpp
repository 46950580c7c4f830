// Kinoreel's entry: the window is the program; the process ends when it is gone.
#include <windows.h>

#include "app/main_window_win.h"
#include "base/dll_function_win.h"
#include "base/message_box_win.h"
#include "core/platform.h"

namespace kino {
namespace {

// Windows 8 on, and Windows 7 with update KB2533623.
const DllFunction<kKernel32, BOOL(DWORD)> SetDefaultDllDirectories{"SetDefaultDllDirectories"};

}  // namespace
}  // namespace kino

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // DLLs that the system loads by name on the program's behalf (uxtheme for the controls, say)
    // come from the system folder too, not from the program's folder.
    kino::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    HWND window = kino::CreateMainWindow(instance);
    if (!window) {  // out of memory or handles: the window or one of its controls could not be made
        // The half-made window was destroyed and posted its quit, which would close the box at once.
        MSG quit;
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        kino::ShowMessageBox(nullptr, u"无法创建窗口。程序即将关闭。", kino::kInitErrorTitle,
                             kino::kStopIconStyle);
        return 1;
    }
    int exitCode = 0;
    if (!kino::LoadMainWindow(window, &exitCode)) return exitCode;  // GDI+ can't start: the window stays unseen
    kino::ShowMainWindow(window, showCommand);
    return kino::RunMessageLoop(window);
}
