// A start's load as the window runs it: the decoding on the load's own threads while the window
// goes on answering, its progress in the info box and on the taskbar button, its cancel and its
// end.
#pragma once
#include <windows.h>
#include <shobjidl.h>

#include <memory>
#include <optional>

#include "base/handles_win.h"
#include "playback/load_job.h"

namespace kino {

// Posted by the load's thread when it has ended; wParam and lParam 0.
inline constexpr UINT kLoadDoneMessage = WM_APP + 2;
// The window timer that refreshes the progress, a few times a second rather than per frame.
inline constexpr UINT_PTR kLoadProgressTimer = 11;
inline constexpr UINT kLoadProgressMs = 200;

class WindowLoad {
public:
    explicit WindowLoad(HWND window) : window_(window) {}
    ~WindowLoad() { Abandon(); }
    WindowLoad(const WindowLoad&) = delete;
    WindowLoad& operator=(const WindowLoad&) = delete;

    bool Active() const { return job_ != nullptr; }

    // Starts the load StartStopCommand asked for and returns at once.
    void Begin(PlaybackState& state, FormControls& form, const Platform& platform, LoadRequest request);
    // The play button or Esc while loading: the decoding stops; its end comes as usual.
    void Cancel();
    void OnProgressTimer(FormControls& form);
    // kLoadDoneMessage: plays what was loaded, or says why not.
    void OnDone(PlaybackState& state, FormControls& form);
    // The window closes: cancel, wait for the threads and release what they decoded.
    void Abandon();

private:
    void StartTaskbarProgress();
    void ShowProgress(FormControls& form);
    void EndTaskbarProgress();

    HWND window_;
    std::unique_ptr<LoadJob> job_;
    std::optional<ComScope> com_;       // for the taskbar, while a load runs
    UniqueCom<ITaskbarList3> taskbar_;  // null where the system has none
    Text shown_;
};

}  // namespace kino
