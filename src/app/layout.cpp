#include "app/layout.h"

#include <array>
#include <stdexcept>

namespace kino {
namespace {

using K = ControlKind;

// clang-format off
constexpr ControlSpec kControls[] = {
//   name        kind              id          left   top   width  height tab caption              parent    visible enabled auto  value
    {"Command1", K::CommandButton, IdCommand1,  120,  120,   975,  495,  0, u"文件夹",             IdNone,    true,  true,  false, 0},
    {"Label1",   K::Label,         IdLabel1,   1200,  240,    60,  255,  1, u"",                   IdNone,    true,  true,  true,  0},
    {"Label2",   K::Label,         IdLabel2,    120,  720,  7140,  255,  2, nullptr,               IdNone,    true,  true,  true,  0},
    {"Text1(0)", K::TextBox,       IdText1_0,   720,  720,  1335,  270,  3, u"",                   IdNone,    true,  true,  false, 0},
    {"Text1(1)", K::TextBox,       IdText1_1,  3000,  720,  1215,  270,  4, u"",                   IdNone,    false, true,  false, 0},
    {"Text1(2)", K::TextBox,       IdText1_2,  5160,  720,  1095,  270,  5, u"",                   IdNone,    true,  true,  false, 0},
    {"Text1(3)", K::TextBox,       IdText1_3,  7320,  720,  1095,  270,  6, u"",                   IdNone,    true,  true,  false, 0},
    {"Label3",   K::Label,         IdLabel3,    120, 1200,  1290,  255,  7, u"帧率：30帧每秒",     IdNone,    true,  true,  true,  0},
    {"HScroll1", K::HScrollBar,    IdHScroll1, 1680, 1200,  2655,  255,  8, nullptr,               IdNone,    true,  true,  false, 30},
    {"Command2", K::CommandButton, IdCommand2, 7320,  120,  1095,  495,  9, u"启动/停止",          IdNone,    true,  true,  false, 0},
    {"Check1",   K::CheckBox,      IdCheck1,   4560, 1200,   735,  255, 10, u"逆序",               IdNone,    true,  true,  false, 0},
    {"Picture1", K::PictureBox,    IdPicture1,  240, 1680,  3840, 3840, 11, nullptr,               IdNone,    true,  true,  false, 0},
    {"Frame1",   K::Frame,         IdFrame1,   4200, 1560,  4215, 3975, 12, u"信息",               IdNone,    true,  true,  false, 0},
    {"txtInfo",  K::TextBox,       IdTxtInfo,   120,  360,  3975, 3495, 13, u"",                   IdFrame1,  true,  false, false, 0},
    {"Combo1",   K::ComboBox,      IdCombo1,   3000,  720,  1215,  375, 14, nullptr,               IdNone,    true,  true,  false, 0},
    {"Check2",   K::CheckBox,      IdCheck2,   5400, 1200,   735,  255, 15, u"循环",               IdNone,    true,  true,  false, 1},
    {"Label4",   K::Label,         IdLabel4,   6750, 1200,  1620,  255, 16, u"制作：胶片放映小组", IdNone,    true,  true,  true,  0},
};
// clang-format on

// Label2's pieces, and the control each caption must end before.
constexpr std::array<const char16_t*, 4> kLabel2Pieces = {u"前缀：", u"扩展名：*.", u"开始编号：", u"结束编号："};
constexpr std::array<int, 3> kLabel2Blanks = {24, 22, 20};
constexpr std::array<ControlId, 4> kLabel2Targets = {IdText1_0, IdCombo1, IdText1_2, IdText1_3};

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

Text Label2Caption() {
    Text text = kLabel2Pieces[0];
    for (std::size_t i = 0; i < kLabel2Blanks.size(); ++i) {
        text.append(static_cast<std::size_t>(kLabel2Blanks[i]), u' ');
        text += kLabel2Pieces[i + 1];
    }
    return text;
}

Text FitLabel2Caption(const std::function<int(TextView)>& measure, int dpi) {
    const int labelLeft = PixelRectOf(Control(IdLabel2), dpi).left;
    const int gap = TwipsToPixels(15, dpi);  // one pixel at 96 dpi
    constexpr std::size_t kMaxBlanks = 200;  // a font whose blanks measure nothing
    Text text = kLabel2Pieces[0];
    for (std::size_t i = 1; i < kLabel2Pieces.size(); ++i) {
        const int limit = PixelRectOf(Control(kLabel2Targets[i]), dpi).left - gap;
        const Text piece = kLabel2Pieces[i];
        // As many blanks as keep the caption ending left of its control, at least one.
        std::size_t blanks = 1;
        while (blanks < kMaxBlanks && labelLeft + measure(text + Text(blanks + 1, u' ') + piece) <= limit) ++blanks;
        text.append(blanks, u' ');
        text += piece;
    }
    return text;
}

}  // namespace kino
