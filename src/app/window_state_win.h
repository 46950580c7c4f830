// What the main window owns, shared by its three parts: layout at a dpi (window_layout_win.cpp),
// control creation and access (window_controls_win.cpp), and the window procedure with its
// handlers (main_window_win.cpp).
#pragma once
#include <windows.h>

#include "app/window_load_win.h"
#include "app/main_window_win.h"
#include "base/handles_win.h"
#include "base/message_box_win.h"
#include "framestore/file_system_win.h"
#include "imaging/image_service_win.h"
#include "playback/frame_timer_win.h"

namespace kino {

// Where the frame clock's ticks arrive.
inline constexpr UINT kClockMessage = WM_APP + 1;
// No WS_CLIPCHILDREN: the group box is transparent and relies on the window painting behind it.
inline constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

struct MainWindow;

// The window's controls as the playback handlers see them.
class WindowControls final : public FormControls {
public:
    explicit WindowControls(MainWindow& window) : window_(window) {}
    Text FolderText() override;
    void SetFolderText(TextView text) override;
    Text PrefixText() override;
    void SetPrefixText(TextView text) override;
    Text FirstNumberText() override;
    void SetFirstNumberText(TextView text) override;
    Text LastNumberText() override;
    void SetLastNumberText(TextView text) override;
    std::int32_t TypeIndex() override;
    void SetTypeIndex(std::int32_t index) override;
    Text TypeEntry(std::int32_t index) override;
    bool ReverseChecked() override;
    bool LoopChecked() override;
    int Rate() override;
    Text InfoText() override;
    void SetInfoText(TextView text) override;
    void SetRateCaption(TextView text) override;
    bool ClockEnabled() override;
    void SetClockEnabled(bool enabled) override;
    void SetClockInterval(std::int32_t milliseconds) override;
    void SetInputsEnabled(bool enabled) override;
    void ClearPicture() override;
    DrawingSurface& Picture() override;
    ImageSize PictureLimit() override;

private:
    MainWindow& window_;
};

// Made at WM_NCCREATE, freed at WM_NCDESTROY.
struct MainWindow {
    explicit MainWindow(HWND window)
        : hwnd(window), controls(*this), images(window), clock(window, kClockMessage),
          load(window) {
        clock.SetInterval(ClockIntervalForRate(kInitialRate));
    }

    HWND hwnd;
    int dpi = 96;
    UniqueFont font;
    HWND focus = nullptr;  // restored when the window is activated again
    int handlerDepth = 0;  // > 0 while a click or tick handler runs (its message boxes included)

    PlaybackState state;
    WindowControls controls;
    Win32FileSystem files;
    GdiplusImageService images;
    FrameTimer clock;
    WindowLoad load;  // a start's load while it runs

    Platform platform() { return Platform{files, images}; }
    HWND Item(ControlId id) const { return GetDlgItem(hwnd, id); }
};

// Layout at a dpi.
int ScreenDpi();
int WindowDpi(HWND window);
SIZE WindowSizeFor(int dpi);
void FitClientSize(HWND window, int dpi);
PixelRect FormRectOf(const ControlSpec& entry, int dpi);  // in the window's client area
void LayOut(MainWindow& window);  // every control at its rectangle and font for window.dpi
ImageSize PictureLimitOf(const MainWindow& window);  // the picture box's size at the highest dpi of any monitor

// Every control of the table, laid out for window.dpi; false as soon as one can't be made.
bool CreateControls(MainWindow& window);

}  // namespace kino
