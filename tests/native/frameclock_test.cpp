#include <gtest/gtest.h>

#include <algorithm>

#include "fakes.h"
#include "playback/playback.h"

namespace kino {
namespace {

using Frames = std::vector<std::string>;

// A folder with img0..img9.png; the tests start an animation over part of it and tick.
struct Clock : test::Rig {
    void Start(const char* first, const char* last, int reverse, int loop) {
        Prepare(0, 9);
        form.text1[2] = test::T(first);
        form.text1[3] = test::T(last);
        form.check1 = reverse;
        form.check2 = loop;
        Click();
        ASSERT_TRUE(form.timer);
    }
    // Ticks while the clock runs, at most `limit` times; the frames drawn, as numbers.
    Frames Ticks(int limit) {
        const std::size_t before = images.draws.size();
        for (int i = 0; i < limit && form.timer; ++i) FrameClockTick(state, form, platform);
        Frames drawn;
        const Frames names = images.DrawnNames();
        for (std::size_t i = before; i < names.size(); ++i)
            drawn.push_back(names[i].substr(3, names[i].size() - 3 - 4));  // img<n>.png
        return drawn;
    }
};

struct FrameClockTest : ::testing::Test, Clock {};

TEST(FrameClock, PlaysTheRangeInEachDirectionOnceOrLooping) {
    const struct {
        const char *first, *last;
        int check1, check2;
        Frames frames;
        bool stillPlaying;
    } rows[] = {
        {"0", "9", 0, 0, {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}, false},
        {"3", "5", 0, 1, {"3", "4", "5", "3", "4", "5", "3", "4", "5", "3", "4", "5"}, true},
        {"3", "5", 0, 2, {"3", "4", "5", "3", "4", "5", "3", "4", "5", "3", "4", "5"}, true},  // greyed loops
        {"3", "5", 1, 0, {"5", "4", "3"}, false},
        {"3", "5", 2, 0, {"5", "4", "3"}, false},  // greyed reverses
        {"3", "5", 1, 1, {"5", "4", "3", "5", "4", "3", "5", "4", "3", "5", "4", "3"}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.first << ".." << row.last << " check1 " << row.check1 << " check2 "
                                          << row.check2);
        Clock clock;
        clock.Start(row.first, row.last, row.check1, row.check2);
        EXPECT_EQ(clock.Ticks(12), row.frames);
        EXPECT_EQ(clock.form.timer, row.stillPlaying);
    }
}

TEST_F(FrameClockTest, EachTickClearsThenDrawsAtTheOriginUnscaled) {
    Start("3", "5", 0, 1);
    form.writes.clear();
    Ticks(2);
    EXPECT_EQ(form.writes, (Frames{"Cls", "Cls"}));
    for (const auto& draw : images.draws) {
        EXPECT_EQ(draw.surface, &form.picture);
        EXPECT_EQ(draw.x, 0);
        EXPECT_EQ(draw.y, 0);
        EXPECT_EQ(draw.zoom, 1.0f);
    }
}

TEST(FrameClock, ClearingReverseMidRunTurnsAtOnce) {
    for (int loop : {1, 0}) {
        Clock clock;
        clock.Start("3", "5", 1, loop);
        EXPECT_EQ(clock.Ticks(1), Frames{"5"});
        clock.form.check1 = 0;
        EXPECT_EQ(clock.Ticks(5), loop ? (Frames{"4", "5", "3", "4", "5"}) : (Frames{"4", "5"}));
        EXPECT_EQ(clock.form.timer, loop == 1);
    }
}

TEST(FrameClock, OneFrameRange) {
    for (int loop : {0, 1}) {
        Clock clock;
        clock.Start("1.2", "1.4", loop, loop);
        EXPECT_EQ(clock.Ticks(4), loop ? (Frames{"1", "1", "1", "1"}) : Frames{"1"});
        EXPECT_EQ(clock.form.timer, loop == 1);
    }
}

TEST_F(FrameClockTest, WrapsAtTheLargestFrameNumber) {
    for (std::int64_t n = 2147483646; n <= 2147483647; ++n) files.AddFile(kFolder, u"big" + DecimalText(n) + u".png");
    Prepare(0, 0, "big");
    form.text1[2] = u"2147483646";
    form.text1[3] = u"2147483647";
    Click();
    for (int i = 0; i < 3; ++i) FrameClockTick(state, form, platform);
    EXPECT_EQ(images.DrawnNames(), (Frames{"big2147483646.png", "big2147483647.png", "big2147483646.png"}));
    EXPECT_EQ(state.CurrentNumber, 2147483647);
}

TEST_F(FrameClockTest, FailedStopAtTheEndKeepsWrapping) {
    Start("3", "5", 0, 0);
    files.RemoveFile(kFolder, u"img4.png");  // the frame stays in memory, the file is gone
    EXPECT_EQ(Ticks(7), (Frames{"3", "4", "5", "3", "4", "5", "3"}));
    EXPECT_TRUE(form.timer);
    EXPECT_EQ(form.info, u"文件错误：缺失img4.png");
    EXPECT_EQ(std::count(form.writes.begin(), form.writes.end(), "txtInfo=文件错误：缺失img4.png"), 2);
}

TEST_F(FrameClockTest, UndecodableFrameLeavesThePictureClearedAndPlayGoesOn) {
    images.damaged.insert(u"C:\\frames\\img4.png");
    Start("3", "5", 0, 1);
    EXPECT_EQ(Ticks(4), (Frames{"3", "5", "3"}));
    EXPECT_EQ(state.CurrentNumber, 4);
}

TEST(FrameRate, CaptionFollowsTheScrollBarAndLeavesTheClock) {
    EXPECT_EQ(FrameRateCaption(30), u"帧率：30帧每秒");
    test::FakeForm form;
    form.hscroll = 7;
    OnHScroll1Change(form);
    EXPECT_EQ(form.writes, std::vector<std::string>{"Label3=帧率：7帧每秒"});
}

}  // namespace
}  // namespace kino
