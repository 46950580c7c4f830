// The main window as data: every control with its kind, twips rectangle, tab index,
// caption and initial value. The window is built from this table.
#pragma once
#include <functional>
#include <span>

#include "core/text.h"

namespace kino {

enum class ControlKind { CommandButton, Label, TextBox, ComboBox, HScrollBar, CheckBox, PictureBox, Frame };

enum ControlId : int {
    IdNone = 0,
    IdCommand1 = 1001,
    IdLabel1,
    IdLabel2,
    IdText1_0,
    IdText1_1,
    IdText1_2,
    IdText1_3,
    IdLabel3,
    IdHScroll1,
    IdCommand2,
    IdCheck1,
    IdPicture1,
    IdFrame1,
    IdTxtInfo,
    IdCombo1,
    IdCheck2,
    IdLabel4,
};

struct ControlSpec {
    const char* name;
    ControlKind kind;
    ControlId id;
    int left, top, width, height;  // twips, from the parent's client origin
    int tabIndex;
    const char16_t* caption;
    ControlId parent;  // IdNone: the window itself
    bool visible;
    bool enabled;
    bool autoSize;  // a label whose width follows its caption
    int value;      // check state, scroll position; unused by the other kinds
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
inline constexpr int kScrollMin = 1;
inline constexpr int kScrollMax = 120;
inline constexpr int kInitialInterval = 33;
inline constexpr char16_t kComboEntries[3][4] = {u"jpg", u"bmp", u"png"};
inline constexpr char16_t kFolderDialogTitle[] = u"选择文件夹";

// The controls in tab order (Text1(1), hidden, included).
std::span<const ControlSpec> ControlTable();
const ControlSpec& Control(ControlId id);

// Twips to device pixels at dpi, rounded to nearest (15 twips = 1 px at 96 dpi).
int TwipsToPixels(int twips, int dpi);
PixelRect PixelRectOf(const ControlSpec& entry, int dpi);

// Label2's captions as laid out for the window's own font: 85 characters.
Text Label2Caption();

// Label2's captions with their blank runs fitted to the font in use, so that each caption ends
// just left of its input control. measure gives the pixel width of a text in that font.
Text FitLabel2Caption(const std::function<int(TextView)>& measure, int dpi);

}  // namespace kino
