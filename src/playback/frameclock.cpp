#include "playback/playback.h"

namespace kino {

void FrameClockTick(PlaybackState& state, FormControls& form, const Platform& platform) {
    form.ClearPicture1();
    ShowFrameByName(form.Picture1(), state.FrameList, form.Text1(0) + DecimalText(state.CurrentNumber), 0, 0,
                    platform.images);

    // Both options are read at every tick: Check1 stays enabled while playing. The step uses
    // the numbers as a command run at the end of the range left them, and is taken in 64 bits
    // so that an end of 2147483647 wraps instead of overflowing.
    const bool forward = form.Check1Value() == 0;
    const bool loop = form.Check2Value() != 0;
    if (!loop && state.CurrentNumber == (forward ? state.EndNumber : state.StartNumber))
        RunStartStop(state, form, platform);
    const std::int64_t next = std::int64_t{state.CurrentNumber} + (forward ? 1 : -1);
    if (next > state.EndNumber) state.CurrentNumber = state.StartNumber;
    else if (next < state.StartNumber) state.CurrentNumber = state.EndNumber;
    else state.CurrentNumber = static_cast<std::int32_t>(next);
}

Text FrameRateCaption(int framesPerSecond) { return u"帧率：" + DecimalText(framesPerSecond) + u"帧每秒"; }

void OnHScroll1Change(FormControls& form) { form.SetLabel3Caption(FrameRateCaption(form.HScroll1Value())); }

}  // namespace kino
