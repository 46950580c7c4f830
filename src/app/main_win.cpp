// Kinoreel's entry: the window is the program; the process ends when it is gone.
#include <windows.h>

#include "app/form1.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    HWND form = kino::CreateForm1(instance);
    if (!form) return 1;
    kino::Form1Load(form);  // ends the program when GDI+ can't start; the window stays unseen
    kino::ShowForm1(form, showCommand);
    return kino::RunMessageLoop(form);
}
