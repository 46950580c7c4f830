#include <gtest/gtest.h>

#include "fakes.h"

namespace kino {
namespace {

using test::Log;
// A start of `frames` frames: the inputs locked and the progress shown while loading, then the
// info box as before, the clock on and the inputs locked.
Log StartWrites(int frames, const Text& infoBefore = u"") {
    return {u"inputs disabled", u"info=正在载入：0/" + DecimalText(frames) + u" 帧", u"info=" + infoBefore,
            u"interval=33",     u"clock on",                                        u"inputs disabled"};
}
const Log kStop = {u"clock off", u"inputs enabled"};

// The frame-store key of each frame, as the scan found it.
Log Keys(const PlaybackState& state) {
    Log keys;
    for (const auto& [number, key] : state.frameKeys) keys.push_back(DecimalText(number) + u"=" + key);
    return keys;
}

struct StartStopTest : ::testing::Test, test::Rig {};

// Each input error is reported, and the run leaves state, clock, frames and files alone.
TEST_F(StartStopTest, InputErrorsAreReportedAndChangeNothingElse) {
    const Text none = u"info=未选择文件夹。", range = u"info=编号错误：结束编号小于等于开始编号。",
               large = u"info=编号错误：编号超出范围。";
    const struct {
        const char16_t *folder, *first, *last;
        Log writes;
    } rows[] = {
        {u"", u"0", u"2", {none}},
        {u"C:\\elsewhere", u"0", u"2", {none}},
        {kFolder, u"5", u"5", {range}},
        {kFolder, u"6", u"5", {range}},
        {kFolder, u"-3", u"-1", {u"first=0", range}},  // the write of "0" stays
        {kFolder, u"1", u"3e9", {large}},
        {kFolder, u"3e9", u"4e9", {large}},
        {kFolder, u"1", u"1e400", {large}},
        {kFolder, u"1", u"2147483647.5", {large}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(Text(row.first) + u".." + row.last));
        test::Rig rig;
        rig.Prepare(0, 2);
        rig.form.folder = row.folder;
        rig.form.first = row.first;
        rig.form.last = row.last;
        rig.Click();
        EXPECT_EQ(rig.form.writes, row.writes);
        EXPECT_TRUE(rig.files.listed.empty());
        EXPECT_FALSE(rig.state.framesLoaded);
        EXPECT_EQ(rig.state.endNumber, 0);
        EXPECT_TRUE(rig.images.events.empty());
    }
}

TEST_F(StartStopTest, StartNumbersAreNormalisedThenRounded) {
    const struct {
        const char16_t *first, *last, *firstAfter;
        std::int32_t start, end;
        Log keys;
    } rows[] = {
        {u"-5", u"1", u"0", 0, 1, {u"0=img0", u"1=img1"}},
        {u"abc", u"1", u"0", 0, 1, {u"0=img0", u"1=img1"}},
        {u"", u"1", u"0", 0, 1, {u"0=img0", u"1=img1"}},
        {u"0.3", u"1", u"0.3", 0, 1, {u"0=img0", u"1=img1"}},  // above 0: stays, rounds to 0
        {u"1.2", u"1.4", u"1.2", 1, 1, {u"1=img1"}},
        {u"2.5", u"3.5", u"2.5", 2, 4, {u"2=img2", u"3=img3", u"4=img4"}},  // halves to even
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(Text(row.first)));
        test::Rig rig;
        rig.Prepare(0, 9);
        rig.form.first = row.first;
        rig.form.last = row.last;
        rig.Click();
        EXPECT_EQ(rig.form.first, row.firstAfter);
        EXPECT_EQ(rig.state.startNumber, row.start);
        EXPECT_EQ(rig.state.endNumber, row.end);
        EXPECT_EQ(Keys(rig.state), row.keys);
        EXPECT_TRUE(rig.form.clock);
    }
}

TEST_F(StartStopTest, FirstMissingFileEndsTheScanAndIsNamed) {
    Prepare(0, 9);
    state.frames = {{55, u"old"}};
    state.framesLoaded = true;
    files.RemoveFile(kFolder, u"img7.png");
    form.folder = u"C:\\frames\\";
    Click();
    EXPECT_EQ(form.writes, (Log{u"first=0", u"info=文件错误：缺失img7.png"}));
    EXPECT_EQ(files.listed, std::vector<Text>{u"C:\\frames\\"}) << "one listingu";
    EXPECT_TRUE(state.frameKeys.empty());
    ASSERT_EQ(state.frames.size(), 1u);
    EXPECT_TRUE(images.events.empty());
    EXPECT_FALSE(form.clock);
}

TEST_F(StartStopTest, StartLoadsAndPlaysAndStopStopsAtOnceWithTheFramesKept) {
    Prepare(3, 5);
    form.info = u"earlier";
    Click();
    EXPECT_EQ(form.writes, StartWrites(3, u"earlier"));
    EXPECT_EQ(state.currentNumber, 3);
    EXPECT_TRUE(state.framesLoaded);

    // Stopping looks at no file, loads nothing and says nothing, even with a frame file gone
    // meanwhile.
    files.RemoveFile(kFolder, u"img4.png");
    form.writes.clear();
    files.listed.clear();
    Click();
    EXPECT_EQ(form.writes, kStop);
    EXPECT_TRUE(files.listed.empty());
    EXPECT_EQ(images.events, Log{u"load 3"});
    EXPECT_EQ(state.frames.size(), 3u);

    files.AddFile(kFolder, u"img4.png");
    form.reverse = true;
    Click();
    EXPECT_EQ(state.currentNumber, 5);  // reverse starts at the end
    EXPECT_EQ(form.info, u"earlier");
}

TEST_F(StartStopTest, IntervalIsTheWholePartOf1000OverTheRate) {
    for (const auto& [rate, ms] : std::vector<std::pair<int, int>>{{7, 142}, {30, 33}, {120, 8}, {1, 1000}, {0, 1000}, {-4, 1000}})
        EXPECT_EQ(ClockIntervalForRate(rate), ms) << rate;
    Prepare(0, 1);
    form.rate = 7;
    Click();
    EXPECT_EQ(form.interval, 142);
}

TEST_F(StartStopTest, EachStartReleasesThePreviousLoadBeforeLoading) {
    Prepare(0, 1);
    for (int run = 0; run < 3; ++run) {
        form.clock = false;
        Click();
    }
    EXPECT_EQ(images.events, (Log{u"load 2", u"dispose 100", u"dispose 101", u"load 2", u"dispose 102", u"dispose 103",
                                  u"load 2"}));
    ASSERT_EQ(state.frames.size(), 2u);
    EXPECT_EQ(state.frames[0].image, 104u);
}

TEST_F(StartStopTest, LoadFailuresDoNotStopTheStart) {
    Prepare(1, 2);
    files.failListingAfter = 1;
    Click();
    EXPECT_EQ(state.frames.size(), 1u);
    EXPECT_EQ(form.writes, StartWrites(1));

    // A folder text naming a file passes the folder test, and the frames are found through the
    // prefix's "..": the store then reports the folder missing.
    form.writes.clear();
    form.clock = false;
    files.failListingAfter = -1;
    files.plainFiles.insert(u"C:\\clip");
    for (const char16_t* name : {u"img1.png", u"img2.png"}) files.AddFile(u"C:\\clip\\..", name);
    form.folder = u"C:\\clip";
    form.prefix = u"..\\img";
    Click();
    EXPECT_EQ(form.writes, StartWrites(0));
    EXPECT_EQ(boxes.shown, Log{u"文件夹不存在。|错误|16"});
    EXPECT_TRUE(state.frames.empty());
}

TEST_F(StartStopTest, EndAtTheLargestFrameNumberScansToItAndStops) {
    Prepare(2147483645, 2147483647);
    Click();
    EXPECT_EQ(Keys(state).back(), u"2147483647=img2147483647");
    EXPECT_EQ(state.frameKeys.size(), 3u);
    EXPECT_EQ(state.endNumber, 2147483647);
    EXPECT_TRUE(form.clock);
}

}  // namespace
}  // namespace kino
