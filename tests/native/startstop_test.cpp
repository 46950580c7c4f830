#include <gtest/gtest.h>

#include "fakes.h"
#include "playback/playback.h"

namespace kino {
namespace {

using test::T;
using test::U8;
using Writes = std::vector<std::string>;

const Writes kStartWrites = {"Interval=33",       "Timer1=on",        "Command1 disabled", "Text1(0) disabled",
                             "Combo1 disabled",   "Text1(2) disabled", "Text1(3) disabled", "HScroll1 disabled",
                             "Check2 disabled"};
const Writes kStopWrites = {"Interval=33",     "Timer1=off",      "Command1 enabled", "Text1(0) enabled",
                            "Combo1 enabled",  "Text1(2) enabled", "Text1(3) enabled", "HScroll1 enabled",
                            "Check2 enabled"};

struct StartStopTest : ::testing::Test, test::Rig {
    // What a run that ends early must leave alone: state, clock, controls and frames.
    void ExpectEarlyExit(const Writes& expected) {
        EXPECT_EQ(form.writes, expected);
        EXPECT_FALSE(state.FramesLoaded);
        EXPECT_EQ(state.StartNumber, 0);
        EXPECT_EQ(state.EndNumber, 0);
        EXPECT_EQ(state.CurrentNumber, 0);
        EXPECT_TRUE(images.loadCalls.empty());
        EXPECT_TRUE(boxes.shown.empty());
    }
    void Type(const char* start, const char* end) {
        form.text1[2] = T(start);
        form.text1[3] = T(end);
    }
    std::vector<std::string> Lookups() const {
        std::vector<std::string> names;
        for (const Text& p : files.plainLookups) names.push_back(U8(p));
        return names;
    }
};

TEST_F(StartStopTest, FolderThatNamesNothingIsReported) {
    Prepare(0, 2);
    for (const char16_t* folder : {u"", u"C:\\elsewhere"}) {
        form.label1 = folder;
        Click();
    }
    ExpectEarlyExit({"txtInfo=未选择文件夹。", "txtInfo=未选择文件夹。"});
    EXPECT_TRUE(files.plainLookups.empty());
}

TEST_F(StartStopTest, StartOfZeroOrLessOrWithoutNumberBecomesZero) {
    Prepare(0, 2);
    for (const char* start : {"-5", "abc", ""}) {
        SCOPED_TRACE(start);
        form.writes.clear();
        Type(start, "2");
        form.timer = false;
        Click();
        EXPECT_EQ(form.text1[2], u"0");
        EXPECT_EQ(form.writes.front(), "Text1(2)=0");
        EXPECT_EQ(state.StartNumber, 0);
        EXPECT_EQ(state.EndNumber, 2);
    }
}

TEST_F(StartStopTest, FractionalStartAboveZeroStaysButRoundsToFrameZero) {
    Prepare(0, 2);
    Type("0.3", "2");
    Click();
    EXPECT_EQ(form.text1[2], u"0.3");
    EXPECT_EQ(state.StartNumber, 0);
    EXPECT_EQ(form.writes, kStartWrites);
}

TEST_F(StartStopTest, RangeErrorWhenStartIsNotBelowEnd) {
    Prepare(0, 9);
    Type("5", "5");
    Click();
    Type("6", "5");
    Click();
    Type("-3", "-1");  // the write of "0" stays
    Click();
    const std::string message = "txtInfo=编号错误：结束编号小于等于开始编号。";
    ExpectEarlyExit({message, message, "Text1(2)=0", message});
    EXPECT_TRUE(files.plainLookups.empty());
}

TEST_F(StartStopTest, NumbersOutsideTheFrameRangeAreRefusedBeforeTheScan) {
    Prepare(0, 2);
    for (const auto& [start, end] : std::vector<std::pair<const char*, const char*>>{
             {"1", "3e9"}, {"3e9", "4e9"}, {"1", "1e400"}, {"1", "2147483647.5"}}) {
        Type(start, end);
        Click();
    }
    const std::string message = "txtInfo=编号错误：编号超出范围。";
    ExpectEarlyExit({message, message, message, message});
    EXPECT_TRUE(files.plainLookups.empty());
}

TEST_F(StartStopTest, RoundedNumbersMakeTheRange) {
    Prepare(0, 9);
    Type("1.2", "1.4");
    Click();
    EXPECT_EQ(Lookups(), std::vector<std::string>{"C:\\frames\\img1.png"});
    EXPECT_EQ(state.StartNumber, 1);
    EXPECT_EQ(state.EndNumber, 1);

    files.plainLookups.clear();
    Type("2.5", "3.5");
    Click();
    EXPECT_EQ(Lookups(), (std::vector<std::string>{"C:\\frames\\img2.png", "C:\\frames\\img3.png",
                                                   "C:\\frames\\img4.png"}));
    EXPECT_EQ(state.StartNumber, 2);
    EXPECT_EQ(state.EndNumber, 4);
}

TEST_F(StartStopTest, FirstMissingFileEndsTheScanAndIsNamed) {
    Prepare(0, 9);
    files.RemoveFile(kFolder, u"img7.png");
    state.FrameList = {{55, 0, u"old"}};
    state.FramesLoaded = true;
    form.label1 = u"C:\\frames\\";  // a separator already there is doubled, as typed
    files.plainFiles.clear();
    for (int n = 0; n <= 9; ++n)
        if (n != 7) files.plainFiles.insert(u"C:\\frames\\\\img" + DecimalText(n) + u".png");
    Click();
    EXPECT_EQ(form.writes, (Writes{"Text1(2)=0", "txtInfo=文件错误：缺失img7.png"}));
    EXPECT_EQ(files.plainLookups.size(), 8u);
    EXPECT_EQ(U8(files.plainLookups.back()), "C:\\frames\\\\img7.png");
    EXPECT_EQ(state.ScanNumber, 7);
    EXPECT_EQ(state.FrameList.size(), 1u);
    EXPECT_EQ(state.FrameList[0].Key, u"old");
    EXPECT_TRUE(images.disposed.empty());
    EXPECT_FALSE(form.timer);
}

TEST_F(StartStopTest, ReverseStartsAtTheEnd) {
    Prepare(3, 5);
    Click();
    EXPECT_EQ(state.CurrentNumber, 3);
    form.check1 = 1;
    Click();
    EXPECT_EQ(state.CurrentNumber, 5);
}

TEST_F(StartStopTest, IntervalIsTheWholePartOf1000OverTheRate) {
    for (const auto& [rate, ms] : std::vector<std::pair<int, int>>{{7, 142}, {30, 33}, {120, 8}, {1, 1000}, {0, 1000}, {-4, 1000}})
        EXPECT_EQ(TimerIntervalForRate(rate), ms) << rate;
    Prepare(0, 1);
    form.hscroll = 7;
    Click();
    EXPECT_EQ(form.interval, 142);
}

TEST_F(StartStopTest, SuccessfulRunsToggleTheClockAndTheSevenControls) {
    Prepare(1, 3);
    form.info = u"earlier";
    Click();
    EXPECT_EQ(form.writes, kStartWrites);  // txtInfo, Check1 and Command2 untouched
    EXPECT_TRUE(state.FramesLoaded);
    form.writes.clear();
    Click();
    EXPECT_EQ(form.writes, kStopWrites);
    EXPECT_EQ(form.info, u"earlier");
}

TEST_F(StartStopTest, FailedStopLeavesTheAnimationPlaying) {
    Prepare(1, 3);
    Click();
    files.RemoveFile(kFolder, u"img2.png");
    form.writes.clear();
    Click();
    EXPECT_EQ(form.writes, Writes{"txtInfo=文件错误：缺失img2.png"});
    EXPECT_TRUE(form.timer);
}

TEST_F(StartStopTest, EachRunReleasesThePreviousLoadBeforeLoading) {
    Prepare(0, 2);
    for (int run = 0; run < 4; ++run) Click();
    EXPECT_EQ(images.events, (std::vector<std::string>{"load 3", "dispose 100", "dispose 101", "dispose 102",
                                                       "load 3", "dispose 103", "dispose 104", "dispose 105",
                                                       "load 3", "dispose 106", "dispose 107", "dispose 108",
                                                       "load 3"}));
    EXPECT_EQ(state.FrameList.size(), 3u);
    EXPECT_EQ(state.FrameList[0].ImageHandle, 109u);
}

TEST_F(StartStopTest, LoadFailuresDoNotStopTheToggle) {
    Prepare(1, 2);
    files.failListingAfter = 1;
    Click();
    EXPECT_EQ(state.FrameList.size(), 1u);
    EXPECT_EQ(form.writes, kStartWrites);
    EXPECT_TRUE(state.FramesLoaded);

    // A folder text naming a file passes the folder test; the store then reports it missing.
    form.writes.clear();
    files.failListingAfter = -1;
    files.plainFiles.insert(u"C:\\clip");
    files.plainFiles.insert(u"C:\\clip\\img1.png");
    files.plainFiles.insert(u"C:\\clip\\img2.png");
    form.label1 = u"C:\\clip";
    Click();
    EXPECT_EQ(form.writes, kStopWrites);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, u"文件夹不存在。");
    EXPECT_TRUE(state.FrameList.empty());
}

TEST_F(StartStopTest, EndAtTheLargestFrameNumberScansToItAndStops) {
    Prepare(2147483645, 2147483647);
    Click();
    EXPECT_EQ(files.plainLookups.size(), 3u);
    EXPECT_EQ(state.EndNumber, 2147483647);
    EXPECT_EQ(state.ScanNumber, 2147483647);
    EXPECT_TRUE(form.timer);
}

TEST_F(StartStopTest, ReadsEachControlAtTheStepThatUsesIt) {
    Prepare(4, 5);
    form.reads.clear();
    Click();
    const std::vector<std::string> path = {"Label1", "Text1(0)", "ListIndex", "List"};
    std::vector<std::string> expected = {"Label1", "Text1(2)", "Text1(2)", "Text1(3)", "Text1(2)", "Text1(3)"};
    for (int frame = 0; frame < 2; ++frame) expected.insert(expected.end(), path.begin(), path.end());
    for (const char* read : {"Text1(2)", "Text1(3)", "Check1", "Label1", "ListIndex", "HScroll1", "Timer1"})
        expected.push_back(read);
    EXPECT_EQ(form.reads, expected);
}

}  // namespace
}  // namespace kino
