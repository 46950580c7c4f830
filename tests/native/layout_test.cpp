#include "app/layout.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes.h"

namespace kino {
namespace {

using test::U8;

struct Expected {
    ControlId id;
    const char* name;
    ControlKind kind;
    int left, top, width, height;  // twips
    PixelRect pixels;              // at 96 dpi
};

using K = ControlKind;
// clang-format off
const Expected kTabOrder[] = {
    {IdCommand1, "Command1", K::CommandButton, 120, 120, 975, 495,    {8, 8, 65, 33}},
    {IdLabel1,   "Label1",   K::Label,         1200, 240, 60, 255,    {80, 16, 4, 17}},
    {IdLabel2,   "Label2",   K::Label,         120, 720, 7140, 255,   {8, 48, 476, 17}},
    {IdText1_0,  "Text1(0)", K::TextBox,       720, 720, 1335, 270,   {48, 48, 89, 18}},
    {IdText1_1,  "Text1(1)", K::TextBox,       3000, 720, 1215, 270,  {200, 48, 81, 18}},
    {IdText1_2,  "Text1(2)", K::TextBox,       5160, 720, 1095, 270,  {344, 48, 73, 18}},
    {IdText1_3,  "Text1(3)", K::TextBox,       7320, 720, 1095, 270,  {488, 48, 73, 18}},
    {IdLabel3,   "Label3",   K::Label,         120, 1200, 1290, 255,  {8, 80, 86, 17}},
    {IdHScroll1, "HScroll1", K::HScrollBar,    1680, 1200, 2655, 255, {112, 80, 177, 17}},
    {IdCommand2, "Command2", K::CommandButton, 7320, 120, 1095, 495,  {488, 8, 73, 33}},
    {IdCheck1,   "Check1",   K::CheckBox,      4560, 1200, 735, 255,  {304, 80, 49, 17}},
    {IdPicture1, "Picture1", K::PictureBox,    240, 1680, 3840, 3840, {16, 112, 256, 256}},
    {IdFrame1,   "Frame1",   K::Frame,         4200, 1560, 4215, 3975, {280, 104, 281, 265}},
    {IdTxtInfo,  "txtInfo",  K::TextBox,       120, 360, 3975, 3495,  {8, 24, 265, 233}},
    {IdCombo1,   "Combo1",   K::ComboBox,      3000, 720, 1215, 375,  {200, 48, 81, 25}},
    {IdCheck2,   "Check2",   K::CheckBox,      5400, 1200, 735, 255,  {360, 80, 49, 17}},
    {IdLabel4,   "Label4",   K::Label,         6750, 1200, 1620, 255, {450, 80, 108, 17}},
};
// clang-format on

TEST(Layout, EveryControlInTabOrderWithItsRectangles) {
    const auto table = ControlTable();
    ASSERT_EQ(table.size(), std::size(kTabOrder));
    for (std::size_t i = 0; i < table.size(); ++i) {
        const ControlSpec& c = table[i];
        const Expected& e = kTabOrder[i];
        SCOPED_TRACE(e.name);
        EXPECT_STREQ(c.name, e.name);
        EXPECT_EQ(c.id, e.id);
        EXPECT_EQ(c.kind, e.kind);
        EXPECT_EQ(c.tabIndex, static_cast<int>(i));
        EXPECT_EQ((std::array{c.left, c.top, c.width, c.height}), (std::array{e.left, e.top, e.width, e.height}));
        EXPECT_EQ(PixelRectOf(c, 96), e.pixels);
        EXPECT_EQ(&Control(e.id), &c);
        EXPECT_EQ(c.parent, e.id == IdTxtInfo ? IdFrame1 : IdNone);
        EXPECT_EQ(c.visible, e.id != IdText1_1);
        EXPECT_EQ(c.enabled, e.id != IdTxtInfo);
        EXPECT_EQ(c.autoSize, e.kind == K::Label);
    }
    EXPECT_THROW(Control(IdNone), std::out_of_range);
}

TEST(Layout, CaptionsAndInitialValues) {
    const std::pair<ControlId, const char*> captions[] = {
        {IdCommand1, "文件夹"}, {IdLabel1, ""},     {IdLabel3, "帧率：30帧每秒"}, {IdCommand2, "启动/停止"},
        {IdCheck1, "逆序"},     {IdFrame1, "信息"}, {IdCheck2, "循环"},           {IdTxtInfo, ""},
        {IdText1_0, ""},        {IdText1_2, ""},    {IdText1_3, ""}};
    for (const auto& [id, caption] : captions) EXPECT_EQ(U8(Control(id).caption), caption) << Control(id).name;
    EXPECT_EQ(U8(Control(IdLabel4).caption).rfind("制作：", 0), 0u);
    EXPECT_EQ(Control(IdCheck1).value, 0);
    EXPECT_EQ(Control(IdCheck2).value, 1);
    EXPECT_EQ(Control(IdHScroll1).value, 30);
    EXPECT_EQ(kScrollMin, 1);
    EXPECT_EQ(kScrollMax, 120);
    EXPECT_EQ(kInitialInterval, 1000 / 30);
    EXPECT_EQ(Text(kComboEntries[0]) + kComboEntries[1] + kComboEntries[2], u"jpgbmppng");
    EXPECT_EQ(TwipsToPixels(kFormClientWidthTwips, 96), 568);
    EXPECT_EQ(TwipsToPixels(kFormClientHeightTwips, 96), 380);
}

TEST(Layout, Label2CaptionIsTheFourPiecesWithTheirBlankRuns) {
    const Text expected = Text(u"前缀：") + Text(24, u' ') + u"扩展名：*." + Text(22, u' ') + u"开始编号：" +
                          Text(20, u' ') + u"结束编号：";
    EXPECT_EQ(Label2Caption(), expected);
    EXPECT_EQ(Label2Caption().size(), 85u);
}

TEST(Layout, TwipsToPixelsRoundsToNearestAtEachDensity) {
    const struct {
        int twips, at96, at120, at144;
    } cases[] = {{0, 0, 0, 0}, {15, 1, 1, 2}, {1440, 96, 120, 144}, {975, 65, 81, 98}, {7140, 476, 595, 714}, {-15, -1, -1, -2}};
    for (const auto& c : cases) {
        EXPECT_EQ(TwipsToPixels(c.twips, 96), c.at96) << c.twips;
        EXPECT_EQ(TwipsToPixels(c.twips, 120), c.at120) << c.twips;
        EXPECT_EQ(TwipsToPixels(c.twips, 144), c.at144) << c.twips;
    }
}

// With any font, each caption ends left of its control, and one blank more would reach it.
TEST(Layout, FittedLabel2CaptionEndsEachCaptionBeforeItsControl) {
    const ControlId targets[] = {IdText1_0, IdCombo1, IdText1_2, IdText1_3};
    const Text pieces[] = {u"前缀：", u"扩展名：*.", u"开始编号：", u"结束编号："};
    for (int dpi : {96, 120, 144}) {
        for (int blankWidth : {2, 3, 5}) {
            SCOPED_TRACE(::testing::Message() << dpi << " dpi, blank " << blankWidth);
            const int scale = dpi / 48;  // wider glyphs at higher density
            auto measure = [&](TextView text) {
                int width = 0;
                for (char16_t c : text) width += (c == u' ' ? blankWidth : c < 0x80 ? 4 : 12) * scale / 2;
                return width;
            };
            const Text caption = FitLabel2Caption(measure, dpi);
            const int labelLeft = PixelRectOf(Control(IdLabel2), dpi).left;
            std::size_t end = 0;
            for (int i = 0; i < 4; ++i) {
                end = caption.find(pieces[i], end);
                ASSERT_NE(end, Text::npos);
                end += pieces[i].size();
                const int right = labelLeft + measure(TextView(caption).substr(0, end));
                const int controlLeft = PixelRectOf(Control(targets[i]), dpi).left;
                EXPECT_LT(right, controlLeft) << i;
                if (i > 0) {
                    EXPECT_GE(right + measure(u" "), controlLeft - TwipsToPixels(15, dpi)) << i;
                }
            }
            EXPECT_EQ(end, caption.size());
        }
    }
}

TEST(Layout, FittingSurvivesBlanksOfNoWidth) {
    const Text caption = FitLabel2Caption([](TextView text) {
        int width = 0;
        for (char16_t c : text) width += c == u' ' ? 0 : 12;
        return width;
    }, 96);
    EXPECT_LT(caption.size(), 1000u);
}

}  // namespace
}  // namespace kino
