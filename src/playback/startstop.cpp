#include <cmath>
#include <exception>
#include <optional>
#include <utility>

#include "core/numtext.h"
#include "playback/playback.h"

namespace kino {
namespace {

// Each call reads the control again: the command reads every control at the step that uses it.
double ValueOfText1(FormControls& form, int index) { return NumberValue(form.Text1(index)); }

struct FrameRange {
    std::int32_t first, last;
};

// The frame numbers of the start and end texts. Texts whose number doesn't fit 32 bits
// (3e9, 1e400) are refused with a message instead of being cut to some other frame.
std::optional<FrameRange> ReadFrameRange(FormControls& form) {
    const std::optional<std::int32_t> first = FrameNumberOf(ValueOfText1(form, 2));
    const std::optional<std::int32_t> last = FrameNumberOf(ValueOfText1(form, 3));
    if (!first || !last) {
        form.SetInfoText(kNumberTooLargeText);
        return std::nullopt;
    }
    return FrameRange{*first, *last};
}

Text ExtensionText(FormControls& form) { return form.Combo1List(form.Combo1ListIndex()); }

// prefix + number + "." + extension, reading the prefix before the type list.
Text FrameFileName(FormControls& form, std::int64_t number) {
    Text name = form.Text1(0);
    name += DecimalText(number);
    name += u'.';
    name += ExtensionText(form);
    return name;
}

}  // namespace

std::int32_t TimerIntervalForRate(int framesPerSecond) {
    // The scroll bar never goes below 1; anything less is read as the slowest rate.
    if (framesPerSecond < 1) framesPerSecond = 1;
    return static_cast<std::int32_t>(std::trunc(1000.0 / framesPerSecond));
}

void RunStartStop(PlaybackState& state, FormControls& form, const Platform& platform) {
    // An empty text names no folder, whatever the system makes of an empty path.
    const Text folder = form.Label1Caption();
    if (folder.empty() || !platform.files.EntryExists(folder)) {
        form.SetInfoText(kNoFolderText);
        return;
    }

    // A start that isn't above 0 becomes 0; this write stays whatever follows.
    if (ValueOfText1(form, 2) <= 0) form.SetText1(2, u"0");

    // The range is tested on the unrounded values.
    const double startValue = ValueOfText1(form, 2);
    const double endValue = ValueOfText1(form, 3);
    if (startValue >= endValue) {
        form.SetInfoText(kRangeErrorText);
        return;
    }

    // Every frame file of the range must exist. The counter is 64-bit so that the loop
    // ends at an end of 2147483647.
    const std::optional<FrameRange> scanned = ReadFrameRange(form);
    if (!scanned) return;
    bool missing = false;
    for (std::int64_t n = scanned->first; n <= scanned->last; ++n) {
        state.ScanNumber = static_cast<std::int32_t>(n);
        Text path = form.Label1Caption();
        path += u'\\';
        path += FrameFileName(form, n);
        if (!platform.files.PlainFileExists(path)) {
            missing = true;
            break;
        }
    }

    // The first missing file is named without its folder.
    if (missing) {
        form.SetInfoText(kMissingFilePrefix + FrameFileName(form, state.ScanNumber));
        return;
    }

    // Playback numbers, read afresh like every other input.
    const std::optional<FrameRange> range = ReadFrameRange(form);
    if (!range) return;
    state.StartNumber = range->first;
    state.EndNumber = range->last;
    state.CurrentNumber = form.Check1Value() == 0 ? state.StartNumber : state.EndNumber;

    // From here on a failing step is skipped and the next one runs. The frame store has
    // reported its own problems (missing folder) by now; a listing or memory failure leaves
    // the frames loaded so far.
    try {
        // With FramesLoaded false the list is empty and this releases nothing.
        ReleaseFrameImages(state.FrameList, platform.images);
    } catch (const std::exception&) {
    }
    try {
        Text folderText = form.Label1Caption();
        const std::int32_t typeIndex = form.Combo1ListIndex();
        LoadFrameImages(state.FrameList, std::move(folderText), typeIndex, platform);
    } catch (const std::exception&) {
    }

    // The frames count as loaded even when the load reported a problem.
    state.FramesLoaded = true;
    form.SetTimer1Interval(TimerIntervalForRate(form.HScroll1Value()));
    const bool playing = !form.Timer1Enabled();
    form.SetTimer1Enabled(playing);
    for (InputControl control : kLockedWhilePlaying) form.SetControlEnabled(control, !playing);
}

}  // namespace kino
