#include <cmath>
#include <optional>
#include <utility>

#include "core/numtext.h"
#include "playback/playback.h"

namespace kino {
namespace {

struct FrameRange {
    std::int32_t first, last;
};

// The frame numbers of the number boxes, each read afresh. Texts whose number doesn't fit 32
// bits (3e9, 1e400) are refused with a message instead of being cut to some other frame.
std::optional<FrameRange> ReadFrameRange(FormControls& form) {
    const std::optional<std::int32_t> first = FrameNumberOf(NumberValue(form.FirstNumberText()));
    const std::optional<std::int32_t> last = FrameNumberOf(NumberValue(form.LastNumberText()));
    if (!first || !last) {
        form.SetInfoText(kNumberTooLargeText);
        return std::nullopt;
    }
    return FrameRange{*first, *last};
}

// prefix + number + "." + extension, reading the prefix before the type list.
Text FrameFileName(FormControls& form, std::int64_t number) {
    Text name = form.PrefixText();
    name += DecimalText(number);
    name += u'.';
    name += form.TypeEntry(form.TypeIndex());
    return name;
}

}  // namespace

std::int32_t ClockIntervalForRate(int framesPerSecond) {
    // The rate bar never goes below 1; anything less is read as the slowest rate.
    if (framesPerSecond < 1) framesPerSecond = 1;
    return static_cast<std::int32_t>(std::trunc(1000.0 / framesPerSecond));
}

void StopPlaying(FormControls& form) {
    form.SetClockEnabled(false);
    form.SetInputsEnabled(true);
}

void StartPlaying(FormControls& form) {
    form.SetClockInterval(ClockIntervalForRate(form.Rate()));
    form.SetClockEnabled(true);
    form.SetInputsEnabled(false);
}

std::optional<LoadRequest> StartStopCommand(PlaybackState& state, FormControls& form, const Platform& platform) {
    // Stopping needs nothing checked or loaded: a frame file deleted while playing can't keep
    // the animation from stopping.
    if (form.ClockEnabled()) {
        StopPlaying(form);
        return std::nullopt;
    }

    // An empty text names no folder, whatever the system makes of an empty path.
    const Text folder = form.FolderText();
    if (folder.empty() || !platform.files.EntryExists(folder)) {
        form.SetInfoText(kNoFolderText);
        return std::nullopt;
    }

    // A start that isn't above 0 becomes 0; this write stays whatever follows.
    if (NumberValue(form.FirstNumberText()) <= 0) form.SetFirstNumberText(u"0");

    // The range is tested on the unrounded values.
    if (NumberValue(form.FirstNumberText()) >= NumberValue(form.LastNumberText())) {
        form.SetInfoText(kRangeErrorText);
        return std::nullopt;
    }

    // Every frame of the range must have a file, its number padded or not; one listing of the
    // folder finds them all. The first missing one is named by its plain name, without folder.
    const std::optional<FrameRange> range = ReadFrameRange(form);
    if (!range) return std::nullopt;
    const std::int32_t type = form.TypeIndex();
    FrameScan scan = ScanFrameFiles(form.FolderText(), form.PrefixText(), type, form.TypeEntry(type), range->first,
                                    range->last, platform.files);
    if (scan.firstMissing) {
        form.SetInfoText(kMissingFilePrefix + FrameFileName(form, *scan.firstMissing));
        return std::nullopt;
    }

    state.startNumber = range->first;
    state.endNumber = range->last;
    state.currentNumber = form.ReverseChecked() ? state.endNumber : state.startNumber;

    return LoadRequest{std::move(scan.paths), form.PictureLimit()};
}

}  // namespace kino
