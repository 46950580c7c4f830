#include "playback/playback.h"

namespace kino {

void FrameClockTick(PlaybackState& state, FormControls& form, const Platform& platform) {
    form.ClearPicture();
    // A start loads one frame per number of its range, in number order: the number's frame is
    // found by its place, without a search through the list at every tick.
    const std::int64_t at = std::int64_t{state.currentNumber} - state.startNumber;
    if (at >= 0 && at < std::ssize(state.frames))
        ShowFrame(form.Picture(), state.frames[static_cast<std::size_t>(at)], 0, 0, platform.images);

    // Both options are read at every tick: the reverse box stays enabled while playing. At the
    // end of a range that plays once, play stops as a press of Start/Stop stops it. The step is
    // taken in 64 bits so that an end of 2147483647 wraps instead of overflowing.
    const bool forward = !form.ReverseChecked();
    if (!form.LoopChecked() && state.currentNumber == (forward ? state.endNumber : state.startNumber))
        StopPlaying(form);
    const std::int64_t next = std::int64_t{state.currentNumber} + (forward ? 1 : -1);
    if (next > state.endNumber) state.currentNumber = state.startNumber;
    else if (next < state.startNumber) state.currentNumber = state.endNumber;
    else state.currentNumber = static_cast<std::int32_t>(next);
}

Text FrameRateCaption(int framesPerSecond) { return u"帧率：" + DecimalText(framesPerSecond) + u"帧每秒"; }

void OnRateChange(FormControls& form) { form.SetRateCaption(FrameRateCaption(form.Rate())); }

}  // namespace kino
