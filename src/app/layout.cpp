#include "app/layout.h"

#include <array>
#include <stdexcept>

namespace kino {
namespace {

using K = ControlKind;

// Each control: kind, id; left, top, width, height; caption, parent; visible, enabled,
// locked while playing; value.
constexpr ControlSpec kControls[] = {
    {K::Button, IdFolderButton, 120, 120, 975, 495, u"文件夹", IdNone, true, true, true, 0},
    {K::Label, IdFolderLabel, 1200, 240, 60, 255, u"", IdNone, true, true, false, 0},
    {K::Label, IdCaptionsLabel, 120, 720, 7140, 255, nullptr, IdNone, true, true, false, 0},
    {K::TextBox, IdPrefixBox, 720, 720, 1335, 270, u"", IdNone, true, true, true, 0},
    {K::TextBox, IdSpareBox, 3000, 720, 1215, 270, u"", IdNone, false, true, false, 0},
    {K::TextBox, IdFirstNumberBox, 5160, 720, 1095, 270, u"", IdNone, true, true, true, 0},
    {K::TextBox, IdLastNumberBox, 7320, 720, 1095, 270, u"", IdNone, true, true, true, 0},
    {K::Label, IdRateLabel, 120, 1200, 1290, 255, nullptr, IdNone, true, true, false, 0},
    {K::ScrollBar, IdRateBar, 1680, 1200, 2655, 255, nullptr, IdNone, true, true, true, kInitialRate},
    {K::Button, IdPlayButton, 7320, 120, 1095, 495, u"启动/停止", IdNone, true, true, false, 0},
    {K::CheckBox, IdReverseBox, 4560, 1200, 735, 255, u"逆序", IdNone, true, true, false, 0},
    {K::PictureBox, IdPictureBox, 240, 1680, 3840, 3840, nullptr, IdNone, true, true, false, 0},
    {K::GroupBox, IdInfoFrame, 4200, 1560, 4215, 3975, u"信息", IdNone, true, true, false, 0},
    {K::TextBox, IdInfoBox, 120, 360, 3975, 3495, u"", IdInfoFrame, true, false, false, 0},
    {K::ComboBox, IdTypeList, 3000, 720, 1215, 375, nullptr, IdNone, true, true, true, 0},
    {K::CheckBox, IdLoopBox, 5400, 1200, 735, 255, u"循环", IdNone, true, true, true, 1},
    {K::Label, IdCreditLabel, 6750, 1200, 1620, 255, u"制作：胶片放映小组", IdNone, true, true, false, 0},
};

// The four captions, and the control each must end before.
constexpr std::array<const char16_t*, 4> kCaptions = {u"前缀：", u"扩展名：*.", u"开始编号：", u"结束编号："};
constexpr std::array<ControlId, 4> kCaptioned = {IdPrefixBox, IdTypeList, IdFirstNumberBox, IdLastNumberBox};

}  // namespace

std::span<const ControlSpec> ControlTable() { return kControls; }

const ControlSpec& Control(ControlId id) {
    for (const ControlSpec& entry : kControls)
        if (entry.id == id) return entry;
    throw std::out_of_range("no such control");
}

int TwipsToPixels(int twips, int dpi) {
    long long scaled = static_cast<long long>(twips) * dpi;
    long long half = kTwipsPerInch / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kTwipsPerInch : -((-scaled + half) / kTwipsPerInch));
}

PixelRect PixelRectOf(const ControlSpec& entry, int dpi) {
    return {TwipsToPixels(entry.left, dpi), TwipsToPixels(entry.top, dpi), TwipsToPixels(entry.width, dpi),
            TwipsToPixels(entry.height, dpi)};
}

Text FitCaptions(const std::function<int(TextView)>& measure, int dpi) {
    const int labelLeft = PixelRectOf(Control(IdCaptionsLabel), dpi).left;
    const int gap = TwipsToPixels(15, dpi);  // one pixel at 96 dpi
    constexpr std::size_t kMaxBlanks = 200;  // a font whose blanks measure nothing
    Text text = kCaptions[0];
    for (std::size_t i = 1; i < kCaptions.size(); ++i) {
        const int limit = PixelRectOf(Control(kCaptioned[i]), dpi).left - gap;
        const Text caption = kCaptions[i];
        // As many blanks as keep the caption ending left of its control, at least one.
        std::size_t blanks = 1;
        while (blanks < kMaxBlanks && labelLeft + measure(text + Text(blanks + 1, u' ') + caption) <= limit) ++blanks;
        text.append(blanks, u' ');
        text += caption;
    }
    return text;
}

}  // namespace kino
