#include "playback/load_job.h"

#include <exception>
#include <utility>

#include "imaging/frame_memory.h"

namespace kino {

Text LoadProgressText(std::size_t done, std::size_t total) {
    return u"正在载入：" + DecimalText(static_cast<std::int64_t>(done)) + u"/" +
           DecimalText(static_cast<std::int64_t>(total)) + u" 帧";
}

Text OutOfMemoryText(std::uint64_t neededBytes, std::uint64_t availableBytes) {
    constexpr std::uint64_t kMB = 1024 * 1024;
    const auto rounded = [](std::uint64_t bytes) { return static_cast<std::int64_t>((bytes + kMB / 2) / kMB); };
    return u"内存不足：需要 " + DecimalText(rounded(neededBytes)) + u" MB，可用 " +
           DecimalText(rounded(availableBytes)) + u" MB。";
}

LoadJob::LoadJob(std::vector<Text> paths, ImageSize limit, ImageService& images, Text infoBefore,
                 std::function<void()> finished, FrameArray previous)
    : previous_(std::move(previous)),
      paths_(std::move(paths)),
      limit_(limit),
      images_(images),
      infoBefore_(std::move(infoBefore)),
      finished_(std::move(finished)),
      thread_([this] { Run(); }) {}

LoadJob::~LoadJob() {
    Cancel();
    if (thread_.joinable()) thread_.join();
}

void LoadJob::Run() noexcept {
    ReleaseFrameImages(previous_);
    try {
        // No frame holds more than the limit: when that many fit, no header need be read. Else
        // the headers first, so that frames that can't fit are refused before any is decoded. A
        // header that can't be read, or claims more than a frame may have, counts 0: that file
        // fails to decode and shows as an empty frame.
        availableBytes_ = images_.RoomForImages();
        neededBytes_ = std::uint64_t{paths_.size()} * FrameBytes(limit_);
        if (neededBytes_ > availableBytes_) {
            neededBytes_ = 0;
            for (const Text& path : paths_) {
                if (control_.cancel) break;
                if (const std::optional<ImageSize> size = images_.ReadImageSize(path))
                    neededBytes_ += FrameBytes(HeldPart(*size, limit_));
            }
            outOfMemory_ = !control_.cancel && neededBytes_ > availableBytes_;
        }
        if (!control_.cancel && !outOfMemory_) {
            decoded_ = images_.DecodeImages(paths_, limit_, control_);
            if (control_.outOfMemory) {
                outOfMemory_ = true;
                availableBytes_ = images_.RoomForImages();
            }
        }
    } catch (const std::exception&) {
        outOfMemory_ = true;  // no memory for the result's list: what was decoded is lost with it
    }
    finished_();
}

LoadJob::Result LoadJob::Finish() {
    if (thread_.joinable()) thread_.join();
    Result result;
    result.neededBytes = neededBytes_;
    result.availableBytes = availableBytes_;
    // A cancel counts whenever it came, also after the last frame: the user no longer wants it.
    if (outOfMemory_ || control_.cancel) {
        result.outcome = outOfMemory_ ? Outcome::OutOfMemory : Outcome::Cancelled;
        decoded_.clear();  // disposes of them
        return result;
    }
    result.frames = std::move(decoded_);
    return result;
}

std::unique_ptr<LoadJob> BeginLoad(PlaybackState& state, FormControls& form, const Platform& platform,
                                   LoadRequest request, std::function<void()> finished) {
    std::unique_ptr<LoadJob> job;
    try {
        job = std::make_unique<LoadJob>(std::move(request.paths), request.limit, platform.images, form.InfoText(),
                                        std::move(finished), std::move(state.frames));
    } catch (const std::exception&) {
        form.SetInfoText(kLoadNotStartedText);  // no thread to load on, or no memory: the inputs stay unlocked
        return nullptr;
    }
    // The window's part while the decoding runs: it mostly waits for the display.
    form.SetInputsEnabled(false);
    form.SetInfoText(LoadProgressText(0, job->Total()));
    return job;
}

void EndLoad(PlaybackState& state, FormControls& form, LoadJob& job) {
    LoadJob::Result result = job.Finish();
    switch (result.outcome) {
    case LoadJob::Outcome::Loaded:
        state.frames = std::move(result.frames);
        form.SetInfoText(job.InfoBefore());
        StartPlaying(form);
        return;
    case LoadJob::Outcome::Cancelled:
        form.SetInfoText(kLoadCancelledText);
        break;
    case LoadJob::Outcome::OutOfMemory:
        form.SetInfoText(OutOfMemoryText(result.neededBytes, result.availableBytes));
        break;
    }
    form.SetInputsEnabled(true);
}

}  // namespace kino
