// The load of a start: which frames it takes, whether they fit in memory, their decoding on a
// thread of its own that can be watched and cancelled, and what the window shows around it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "core/platform.h"
#include "framestore/frame_files.h"
#include "framestore/framestore.h"
#include "playback/playback.h"

namespace kino {

inline constexpr char16_t kLoadCancelledText[] = u"已取消载入。";
inline constexpr char16_t kLoadNotStartedText[] = u"无法开始载入：系统资源不足。";

// "正在载入：120/300 帧"
Text LoadProgressText(std::size_t done, std::size_t total);

// "内存不足：需要 N MB，可用 M MB。", each rounded to whole MB.
Text OutOfMemoryText(std::uint64_t neededBytes, std::uint64_t availableBytes);

// Decodes the part of each file that the limit keeps, on a thread of its own (which spreads the
// work over the image service's threads), once it is sure that they fit in the memory left.
// finished() is called on that thread as its last act; Finish() then hands the result over at once.
class LoadJob {
public:
    enum class Outcome { Loaded, Cancelled, OutOfMemory };
    struct Result {
        Outcome outcome = Outcome::Loaded;
        FrameArray frames;  // Loaded only; otherwise every decoded image is already released
        std::uint64_t neededBytes = 0, availableBytes = 0;
    };

    // Throws std::system_error when the thread can't start. The previous start's frames are
    // released on that thread, before the memory left is counted.
    LoadJob(std::vector<Text> paths, ImageSize limit, ImageService& images, Text infoBefore,
            std::function<void()> finished, FrameArray previous = {});
    ~LoadJob();  // cancels, waits for the thread and releases whatever was decoded
    LoadJob(const LoadJob&) = delete;
    LoadJob& operator=(const LoadJob&) = delete;

    // Decoding stops after the frames in hand; the result is Cancelled whenever the cancel came.
    void Cancel() { control_.cancel = true; }
    bool Cancelled() const { return control_.cancel; }
    std::size_t Decoded() const { return control_.decoded; }
    std::size_t Total() const { return paths_.size(); }
    const Text& InfoBefore() const { return infoBefore_; }

    // Waits for the thread; call once.
    Result Finish();

private:
    void Run() noexcept;

    FrameArray previous_;
    const std::vector<Text> paths_;
    const ImageSize limit_;
    ImageService& images_;
    const Text infoBefore_;
    const std::function<void()> finished_;
    DecodeControl control_;
    std::vector<OwnedImage> decoded_;
    bool outOfMemory_ = false;
    std::uint64_t neededBytes_ = 0, availableBytes_ = 0;
    std::thread thread_;  // last: starts once everything above exists
};

// The load of a start that StartStopCommand asked for: locks the inputs, shows the progress in the
// info box and starts decoding (the previous frames released on the load's thread). Null, with the
// reason in the info box and the inputs unlocked, when the load's thread can't start.
std::unique_ptr<LoadJob> BeginLoad(PlaybackState& state, FormControls& form, const Platform& platform,
                                   LoadRequest request, std::function<void()> finished);

// The end of that load: plays what it loaded, with the info box as before it; or, cancelled or out
// of memory, plays nothing, says so and unlocks the inputs.
void EndLoad(PlaybackState& state, FormControls& form, LoadJob& job);

}  // namespace kino
