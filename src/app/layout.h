// The main window as data: every control with its kind, twips rectangle, caption and initial
// value, in tab order. The window is built from this table.
#pragma once
#include <functional>
#include <span>

#include "core/text.h"

namespace kino {

enum class ControlKind { Button, Label, TextBox, ComboBox, ScrollBar, CheckBox, PictureBox, GroupBox };

enum ControlId : int {
    IdNone = 0,
    IdFolderButton = 1001,
    IdFolderLabel,
    IdCaptionsLabel,  // the captions of the four inputs, in one label beneath them
    IdPrefixBox,
    IdSpareBox,  // hidden; kept for the tab order
    IdFirstNumberBox,
    IdLastNumberBox,
    IdRateLabel,
    IdRateBar,
    IdPlayButton,
    IdReverseBox,
    IdPictureBox,
    IdInfoFrame,
    IdInfoBox,
    IdTypeList,
    IdLoopBox,
    IdCreditLabel,
};

struct ControlSpec {
    ControlKind kind;
    ControlId id;
    int left, top, width, height;  // twips, from the parent's client origin
    const char16_t* caption;       // null: set by the code
    ControlId parent;              // IdNone: the window itself
    bool visible;
    bool enabled;
    bool lockedWhilePlaying;  // disabled while an animation plays
    int value;                // check state, scroll position; unused by the other kinds
};

struct PixelRect {
    int left, top, width, height;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kFormClientWidthTwips = 8520;
inline constexpr int kFormClientHeightTwips = 5700;
inline constexpr char16_t kFormTitle[] = u"Kinoreel";
inline constexpr char16_t kFontFace[] = u"微软雅黑";
inline constexpr int kFontPoints = 9;
inline constexpr int kFontCharset = 134;  // GB2312
inline constexpr int kMinRate = 1;
inline constexpr int kMaxRate = 120;
inline constexpr int kInitialRate = 30;
inline constexpr char16_t kTypeEntries[3][4] = {u"jpg", u"bmp", u"png"};
inline constexpr char16_t kFolderDialogTitle[] = u"选择文件夹";

// The controls in tab order (the hidden spare box included).
std::span<const ControlSpec> ControlTable();
const ControlSpec& Control(ControlId id);

// Twips to device pixels at dpi, rounded to nearest (15 twips = 1 px at 96 dpi).
int TwipsToPixels(int twips, int dpi);
PixelRect PixelRectOf(const ControlSpec& entry, int dpi);

// A label sizes itself to its caption (the table's width when it has none).
inline bool SizesToCaption(const ControlSpec& entry) { return entry.kind == ControlKind::Label; }

// The captions label's text with its blank runs fitted to the font in use, so that each caption
// ends just left of its input control. measure gives the pixel width of a text in that font.
Text FitCaptions(const std::function<int(TextView)>& measure, int dpi);

}  // namespace kino
