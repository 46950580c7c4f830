// Playback: the Start/Stop command and the frame clock, over the window's controls.
#pragma once
#include <cstdint>

#include "core/platform.h"
#include "core/text.h"
#include "framestore/framestore.h"

namespace kino {

// State that the window holds for playback; all zero, empty or false when it is created.
struct PlaybackState {
    FrameArray FrameList;
    bool FramesLoaded = false;
    std::int32_t StartNumber = 0;
    std::int32_t EndNumber = 0;
    std::int32_t CurrentNumber = 0;
    std::int32_t ScanNumber = 0;
};

// The controls that are disabled while an animation plays, in the order they are switched.
enum class InputControl { Command1, Text1_0, Combo1, Text1_2, Text1_3, HScroll1, Check2 };
inline constexpr InputControl kLockedWhilePlaying[] = {
    InputControl::Command1, InputControl::Text1_0, InputControl::Combo1, InputControl::Text1_2,
    InputControl::Text1_3,  InputControl::HScroll1, InputControl::Check2};

// The window's controls as the playback handlers read and write them.
struct FormControls {
    virtual ~FormControls() = default;
    virtual Text Label1Caption() = 0;
    virtual Text Text1(int index) = 0;  // 0 prefix, 2 start number, 3 end number
    virtual void SetText1(int index, TextView text) = 0;
    virtual std::int32_t Combo1ListIndex() = 0;
    virtual Text Combo1List(std::int32_t index) = 0;
    virtual int Check1Value() = 0;  // 0 forward, else reverse
    virtual int Check2Value() = 0;  // 0 stop at the end, else loop
    virtual int HScroll1Value() = 0;
    virtual void SetInfoText(TextView text) = 0;  // txtInfo
    virtual void SetLabel3Caption(TextView text) = 0;
    virtual bool Timer1Enabled() = 0;
    virtual void SetTimer1Enabled(bool enabled) = 0;
    virtual void SetTimer1Interval(std::int32_t milliseconds) = 0;
    virtual void SetControlEnabled(InputControl control, bool enabled) = 0;
    virtual void ClearPicture1() = 0;  // Cls
    virtual DrawingSurface& Picture1() = 0;
};

inline constexpr char16_t kNoFolderText[] = u"未选择文件夹。";
inline constexpr char16_t kRangeErrorText[] = u"编号错误：结束编号小于等于开始编号。";
inline constexpr char16_t kNumberTooLargeText[] = u"编号错误：编号超出范围。";
inline constexpr char16_t kMissingFilePrefix[] = u"文件错误：缺失";

// One run of the Start/Stop command (a click on "启动/停止", or the end of a non-looping range).
void RunStartStop(PlaybackState& state, FormControls& form, const Platform& platform);

// trunc(1000 / rate) in milliseconds.
std::int32_t TimerIntervalForRate(int framesPerSecond);

// One tick of the frame clock: clear, draw prefix + CurrentNumber, step (or run the command).
void FrameClockTick(PlaybackState& state, FormControls& form, const Platform& platform);

// "帧率：" + value + "帧每秒"
Text FrameRateCaption(int framesPerSecond);

// The Change handler of HScroll1.
void OnHScroll1Change(FormControls& form);

}  // namespace kino
