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

// Each start from the number boxes. An error is reported and changes nothing else: no load, no
// release, no scan kept, no clock. A good range is normalised, then rounded.
TEST_F(StartStopTest, NumberBoxesAreCheckedNormalisedAndRounded) {
    const Text none = u"未选择文件夹。", range = u"编号错误：结束编号小于等于开始编号。",
               large = u"编号错误：编号超出范围。";
    const struct {
        const char16_t *folder, *first, *last, *firstAfter;
        Text info;
        Log keys;
    } rows[] = {
        {u"", u"0", u"2", u"0", none, {}},
        {u"C:\\elsewhere", u"0", u"2", u"0", none, {}},
        {kFolder, u"5", u"5", u"5", range, {}},
        {kFolder, u"-3", u"-1", u"0", range, {}},  // the write of "0" stays
        {kFolder, u"1", u"3e9", u"1", large, {}},
        {kFolder, u"3e9", u"4e9", u"3e9", large, {}},
        {kFolder, u"1", u"1e400", u"1", large, {}},
        {kFolder, u"1", u"2147483647.5", u"1", large, {}},
        {u"C:\\frames\\", u"0", u"12", u"0", u"文件错误：缺失img10.png", {}},  // the first missing one
        {kFolder, u"abc", u"1", u"0", u"", {u"0=img0", u"1=img1"}},
        {kFolder, u"0.3", u"1", u"0.3", u"", {u"0=img0", u"1=img1"}},  // above 0: stays, rounds to 0
        {kFolder, u"1.2", u"1.4", u"1.2", u"", {u"1=img1"}},
        {kFolder, u"2.5", u"3.5", u"2.5", u"", {u"2=img2", u"3=img3", u"4=img4"}},  // halves to even
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(Text(row.first) + u".." + row.last));
        test::Rig rig;
        rig.Prepare(0, 9);
        rig.state.frames = {{55, u"old"}};
        rig.form.folder = row.folder;
        rig.form.first = row.first;
        rig.form.last = row.last;
        rig.Click();
        EXPECT_EQ(rig.form.first, row.firstAfter);
        EXPECT_EQ(rig.form.info, row.info);
        EXPECT_EQ(Keys(rig.state), row.keys);
        EXPECT_EQ(rig.form.clock, !row.keys.empty());
        EXPECT_EQ(rig.images.events.empty(), row.keys.empty());
    }
}

TEST_F(StartStopTest, StartLoadsAndPlaysAndStopStopsAtOnceWithTheFramesKept) {
    Prepare(3, 5);
    form.info = u"earlier";
    Click();
    EXPECT_EQ(form.writes, StartWrites(3, u"earlier"));
    EXPECT_EQ(state.currentNumber, 3);
    EXPECT_FALSE(state.frames.empty());

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
    // The start released the frames kept before loading anew.
    EXPECT_EQ(images.events, (Log{u"load 3", u"dispose 100", u"dispose 101", u"dispose 102", u"load 3"}));
}

TEST_F(StartStopTest, IntervalIsTheWholePartOf1000OverTheRate) {
    for (const auto& [rate, ms] : {std::pair{7, 142}, std::pair{1, 1000}, std::pair{0, 1000}, std::pair{-4, 1000}})
        EXPECT_EQ(ClockIntervalForRate(rate), ms) << rate;
    Prepare(0, 1);
    form.rate = 7;
    Click();
    EXPECT_EQ(form.interval, 142);
}

}  // namespace
}  // namespace kino
