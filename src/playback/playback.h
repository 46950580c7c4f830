// Playback: the Start/Stop command and the frame clock, over the window's controls.
#pragma once
#include <cstdint>
#include <optional>

#include "core/platform.h"
#include "framestore/frame_files.h"
#include "framestore/framestore.h"

namespace kino {

// State that the window holds for playback; all zero, empty or false when it is created.
struct PlaybackState {
    FrameArray frames;
    std::int32_t startNumber = 0;
    std::int32_t endNumber = 0;
    std::int32_t currentNumber = 0;  // the frame the next tick shows
};

// The window's controls as the playback handlers read and write them.
struct FormControls {
    virtual ~FormControls() = default;
    virtual Text FolderText() = 0;  // the folder label's caption
    virtual void SetFolderText(TextView text) = 0;
    virtual Text PrefixText() = 0;
    virtual void SetPrefixText(TextView text) = 0;
    virtual Text FirstNumberText() = 0;
    virtual void SetFirstNumberText(TextView text) = 0;
    virtual Text LastNumberText() = 0;
    virtual void SetLastNumberText(TextView text) = 0;
    virtual std::int32_t TypeIndex() = 0;           // the type list's selection; -1 for none
    virtual void SetTypeIndex(std::int32_t index) = 0;
    virtual Text TypeEntry(std::int32_t index) = 0;  // empty when there is no such entry
    virtual bool ReverseChecked() = 0;
    virtual bool LoopChecked() = 0;
    virtual int Rate() = 0;  // the rate bar's position, frames per second
    virtual Text InfoText() = 0;
    virtual void SetInfoText(TextView text) = 0;
    virtual void SetRateCaption(TextView text) = 0;
    virtual bool ClockEnabled() = 0;
    virtual void SetClockEnabled(bool enabled) = 0;
    virtual void SetClockInterval(std::int32_t milliseconds) = 0;
    virtual void SetInputsEnabled(bool enabled) = 0;  // the controls locked while playing
    virtual void ClearPicture() = 0;
    virtual DrawingSurface& Picture() = 0;
    // The largest the picture box can be on any display present: no part of a frame beyond it
    // is ever shown.
    virtual ImageSize PictureLimit() = 0;
};

inline constexpr char16_t kNoFolderText[] = u"未选择文件夹。";
inline constexpr char16_t kRangeErrorText[] = u"编号错误：结束编号小于等于开始编号。";
inline constexpr char16_t kNumberTooLargeText[] = u"编号错误：编号超出范围。";
inline constexpr char16_t kMissingFilePrefix[] = u"文件错误：缺失";

// What a start loads: the file of each frame number of the range, as its check found them.
struct LoadRequest {
    std::vector<Text> paths;
    ImageSize limit;  // what of each frame is held (PictureLimit)
};

// The Start/Stop command up to its load. Playing, it stops at once (StopPlaying) and gives
// nothing. Stopped, it checks the inputs and the frame files (a failed check says why in the
// info box) and, when they pass, sets the playback numbers and gives the frames to load
// (BeginLoad); the load ends with StartPlaying.
std::optional<LoadRequest> StartStopCommand(PlaybackState& state, FormControls& form, const Platform& platform);

// The clock off and the inputs unlocked; the frames and the picture stay as they are.
void StopPlaying(FormControls& form);

// Once the frames are loaded: the interval from the rate, the clock on and the
// inputs locked.
void StartPlaying(FormControls& form);

// trunc(1000 / rate) in milliseconds.
std::int32_t ClockIntervalForRate(int framesPerSecond);

// One tick of the frame clock: clear, draw the frame of currentNumber, step (or run the command).
void FrameClockTick(PlaybackState& state, FormControls& form, const Platform& platform);

// "帧率：" + value + "帧每秒"
Text FrameRateCaption(int framesPerSecond);

// The rate bar moved: its label follows.
void OnRateChange(FormControls& form);

}  // namespace kino
