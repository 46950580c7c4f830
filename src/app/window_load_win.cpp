#include "app/window_load_win.h"

namespace kino {

void WindowLoad::Begin(PlaybackState& state, FormControls& form, const Platform& platform, LoadRequest request) {
    const HWND window = window_;
    job_ = BeginLoad(state, form, platform, std::move(request),
                     [window] { PostMessageW(window, kLoadDoneMessage, 0, 0); });
    if (!job_) return;
    shown_ = LoadProgressText(0, job_->Total());
    SetTimer(window_, kLoadProgressTimer, kLoadProgressMs, nullptr);
}

// The taskbar button shows the progress too, where the system has one (Windows 7 on): from the
// first progress step, so that a load shorter than that costs no COM object.
void WindowLoad::StartTaskbarProgress() {
    com_.emplace(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                   reinterpret_cast<void**>(taskbar_.put())))) {
        if (SUCCEEDED(taskbar_.get()->HrInit())) taskbar_.get()->SetProgressState(window_, TBPF_NORMAL);
        else taskbar_.reset();
    }
}

void WindowLoad::Cancel() {
    if (job_) job_->Cancel();
}

void WindowLoad::ShowProgress(FormControls& form) {
    const Text text = LoadProgressText(job_->Decoded(), job_->Total());
    if (text == shown_) return;
    shown_ = text;
    form.SetInfoText(text);
    if (taskbar_) taskbar_.get()->SetProgressValue(window_, job_->Decoded(), job_->Total());
}

void WindowLoad::OnProgressTimer(FormControls& form) {
    if (!job_ || job_->Cancelled()) return;
    if (!com_) StartTaskbarProgress();
    ShowProgress(form);
}

void WindowLoad::OnDone(PlaybackState& state, FormControls& form) {
    if (!job_) return;
    const std::unique_ptr<LoadJob> job = std::move(job_);
    EndTaskbarProgress();
    EndLoad(state, form, *job);
}

void WindowLoad::Abandon() {
    const bool wasActive = job_ != nullptr;
    job_.reset();
    if (wasActive) EndTaskbarProgress();
}

void WindowLoad::EndTaskbarProgress() {
    KillTimer(window_, kLoadProgressTimer);
    if (taskbar_) taskbar_.get()->SetProgressState(window_, TBPF_NOPROGRESS);
    taskbar_.reset();
    com_.reset();  // after the taskbar object
}

}  // namespace kino
