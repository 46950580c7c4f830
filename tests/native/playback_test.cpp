// The Start/Stop command, a start's load and the frame clock over the fakes; the timer's deadlines.
#include <gtest/gtest.h>

#include <array>
#include <future>
#include <utility>

#include "fakes.h"
#include "playback/tick_grid.h"

namespace kino {
namespace {

using test::Log;

// An error is reported and changes nothing else: no load, no release, no scan kept, no clock. A
// good range is normalised, then rounded.
TEST(StartStop, NumberBoxesAreCheckedNormalisedAndRounded) {
    const Text none = u"未选择文件夹。", range = u"编号错误：结束编号小于等于开始编号。";
    const struct {
        const char16_t *folder, *first, *last, *firstAfter;
        Text info;
        Log held;  // the files of the frames held after the press
    } rows[] = {
        {u"", u"0", u"2", u"0", none, {u"old"}},
        {u"C:\\elsewhere", u"0", u"2", u"0", none, {u"old"}},
        {test::Rig::kFolder, u"5", u"5", u"5", range, {u"old"}},
        {test::Rig::kFolder, u"-3", u"-1", u"0", range, {u"old"}},  // the write of "0" stays
        {test::Rig::kFolder, u"1", u"3e9", u"1", u"编号错误：编号超出范围。", {u"old"}},
        {u"C:\\frames\\", u"0", u"12", u"0", u"文件错误：缺失img10.png", {u"old"}},  // the first missing one
        {test::Rig::kFolder, u"abc", u"1", u"0", u"", {u"img0.png", u"img1.png"}},
        {test::Rig::kFolder, u"0.3", u"1", u"0.3", u"", {u"img0.png", u"img1.png"}},  // above 0: stays, rounds to 0
        {test::Rig::kFolder, u"1.2", u"1.4", u"1.2", u"", {u"img1.png"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(Text(row.first) + u".." + row.last));
        test::Rig rig;
        rig.Prepare(0, 9);
        rig.state.frames.push_back(rig.images.Own(u"old"));
        rig.files.folders[u"\\"] = rig.files.folders[u"C:\\frames\\"];  // "" as a system may read it: here
        rig.form.folder = row.folder;
        rig.form.first = row.first;
        rig.form.last = row.last;
        rig.Click();
        EXPECT_EQ(rig.form.first, row.firstAfter);
        EXPECT_EQ(rig.form.info, row.info);
        Log held;
        for (const OwnedImage& frame : rig.state.frames) held.push_back(test::FileNameOf(rig.images.pathOf.at(frame.get())));
        EXPECT_EQ(held, row.held);
        EXPECT_EQ(rig.form.clock, row.info.empty());
        EXPECT_EQ(rig.images.events.empty(), !row.info.empty());
    }
}

TEST(StartStop, StartLoadsAndPlaysAndStopStopsAtOnceWithTheFramesKept) {
    test::Rig rig;
    rig.Prepare(3, 5);
    rig.form.info = u"earlier";
    rig.form.rate = 7;
    rig.Click();
    EXPECT_EQ(rig.form.writes, (Log{u"inputs disabled", u"info=正在载入：0/3 帧", u"info=earlier", u"interval=142",
                                    u"clock on", u"inputs disabled"}));
    EXPECT_EQ(rig.state.currentNumber, 3);
    EXPECT_EQ(rig.images.limit, (ImageSize{256, 256}));

    // Stopping looks at no file, loads nothing and says nothing.
    rig.form.writes.clear();
    rig.files.listed.clear();
    rig.Click();
    EXPECT_EQ(rig.form.writes, (Log{u"clock off", u"inputs enabled"}));
    EXPECT_TRUE(rig.files.listed.empty());

    // Reverse starts at the end; the start releases the frames kept before loading anew.
    rig.form.reverse = true;
    rig.Click();
    EXPECT_EQ(rig.state.currentNumber, 5);
    EXPECT_EQ(rig.images.events, (Log{u"load 3", u"dispose 100", u"dispose 101", u"dispose 102", u"load 3"}));
}

TEST(FrameClock, PlaysTheRangeInEachDirectionOnceOrLoopingAndReadsReverseAtEachTick) {
    const struct {
        const char16_t *first, *last;
        bool reverse, loop;
        const char16_t* frames;  // the last digit of each frame drawn in ten ticks, reverse flipped after the first
    } rows[] = {
        {u"3", u"5", false, true, u"3435435435"},
        {u"3", u"5", false, false, u"343"},
        {u"3", u"5", true, false, u"545"},
        {u"3", u"5", true, true, u"5453453453"},
        {u"2147483646", u"2147483647", true, true, u"7676767676"},  // the step past the largest number wraps
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << "row " << (&row - rows));
        test::Rig rig;
        rig.Prepare(0, 9);
        for (const char16_t* name : {u"img2147483646.png", u"img2147483647.png"}) rig.files.AddFile(rig.kFolder, name);
        rig.form.first = row.first;
        rig.form.last = row.last;
        rig.form.reverse = row.reverse;
        rig.form.loop = row.loop;
        rig.Click();
        ASSERT_TRUE(rig.form.clock);
        rig.form.writes.clear();
        Text frames;
        for (int i = 0; i < 10 && rig.form.clock; ++i) {
            FrameClockTick(rig.state, rig.form, rig.platform);
            if (i == 0) rig.form.reverse = !rig.form.reverse;
            const Text& drawn = rig.images.drawn.back();  // img<n>.png@0,0
            EXPECT_EQ(drawn.substr(drawn.find(u'@')), u"@0,0");
            frames.push_back(drawn[drawn.find(u'.') - 1]);
        }
        EXPECT_EQ(frames, row.frames);
        EXPECT_EQ(std::count(rig.form.writes.begin(), rig.form.writes.end(), u"clear"), std::ssize(frames));
        EXPECT_EQ(rig.form.clock, row.loop);  // played once, it has stopped
    }
}

struct LoadJobTest : ::testing::Test, test::Rig {
    // Neither playing nor locked, every decoded image released, the info box saying `info`.
    void ExpectNothingPlays(const Text& info) {
        EXPECT_FALSE(form.clock);
        EXPECT_TRUE(state.frames.empty());
        EXPECT_EQ(form.writes.back(), u"inputs enabled");
        EXPECT_EQ(images.disposed, images.pathOf.size());
        EXPECT_EQ(form.info, info);
    }
};

TEST_F(LoadJobTest, WhatCannotFitIsRefusedBeforeDecodingAndAFailedAllocationReleasesTheLoad) {
    Prepare(0, 2);
    images.sizes[u"C:\\frames\\img0.png"] = {1920, 1080};
    images.sizes[u"C:\\frames\\img1.png"] = {100, 40000};
    Click();  // three whole boxes fit: no header is read
    EXPECT_EQ(images.headersRead, 0u);
    // What is held: 256 x 256, 100 x 256 and 16 x 16 (img2) pixels.
    images.room = (256 * 256 + 100 * 256 + 16 * 16) * 4;
    for (const bool fits : {true, false}) {
        Click();  // stop
        images.events.clear();
        Click();
        EXPECT_EQ(images.events.back().starts_with(u"load"), fits);
        EXPECT_EQ(form.clock, fits);
        --images.room;
    }
    ExpectNothingPlays(u"内存不足：需要 0 MB，可用 0 MB。");

    images.room = 1 << 20;  // three boxes fit, but the second frame's allocation fails
    images.outOfMemoryAt = 1;
    Click();
    EXPECT_EQ(images.pathOf.size(), 7u);
    ExpectNothingPlays(u"内存不足：需要 1 MB，可用 1 MB。");
    constexpr std::uint64_t MB = 1 << 20;
    EXPECT_EQ(OutOfMemoryText(2373 * MB + MB / 2, 1999 * MB + MB / 2 - 1), u"内存不足：需要 2374 MB，可用 1999 MB。");
}

TEST_F(LoadJobTest, CancelStopsTheDecodingReleasesItAndPlaysNothing) {
    Prepare(0, 9);
    std::promise<void> cancelled, atFrame3;
    images.beforeDecode = [&](std::size_t i) {
        if (i != 3) return;
        atFrame3.set_value();
        cancelled.get_future().wait();
    };
    std::optional<LoadRequest> request = StartStopCommand(state, form, platform);
    ASSERT_TRUE(request);
    const std::unique_ptr<LoadJob> job = BeginLoad(state, form, platform, std::move(*request), [] {});
    atFrame3.get_future().wait();
    EXPECT_EQ(LoadProgressText(job->Decoded(), job->Total()), u"正在载入：3/10 帧");
    job->Cancel();
    cancelled.set_value();
    EndLoad(state, form, *job);
    EXPECT_EQ(images.pathOf.size(), 4u) << "the frame in hand is finished, no later one begun";
    ExpectNothingPlays(u"已取消载入。");
}

// Counter frequencies met in practice: Windows 10's 10 MHz, the ACPI PM timer's 3.579545 MHz
// (a non-integer number of ticks per millisecond), and a TSC-based 2.9 GHz.
constexpr std::int64_t kFrequencies[] = {10'000'000, 3'579'545, 2'900'000'000};

TEST(TickGrid, DeadlinesAreExactMultiplesWithoutDrift) {
    for (std::int64_t f : kFrequencies) {
        for (std::int64_t interval : {1, 33, 65535}) {
            const TickGrid grid(123456789, static_cast<int>(interval), f);
            // A million ticks on, the deadline is exactly a million intervals on, to the tick.
            const std::int64_t k = 1'000'000;
            EXPECT_EQ(grid.Deadline(k), 123456789 + k * interval * (f / 1000) + k * interval * (f % 1000) / 1000);
            for (std::int64_t i = 1; i < 2000; ++i) {  // gaps differ by at most one counter tick
                const std::int64_t excess = grid.Deadline(i) - grid.Deadline(i - 1) - interval * f / 1000;
                ASSERT_TRUE(excess == 0 || excess == 1) << f << " " << interval << " " << i;
            }
        }
    }
}

TEST(TickGrid, TheNextTickIsTheNextPointOrTheLatestMissedByLessThanHalfAnInterval) {
    for (std::int64_t frequency : kFrequencies) {
        const TickGrid grid(5000, 8, frequency);
        const std::int64_t i = grid.Deadline(1) - grid.Deadline(0);  // the interval
        const auto at = [&](std::int64_t k, std::int64_t offset) { return grid.Deadline(k) + offset; };
        const std::pair<std::int64_t, std::int64_t> firsts[] = {  // now, the first point after it
            {at(0, -100), 1}, {at(0, 0), 1}, {at(1, -1), 1}, {at(1, 0), 2}, {at(123457, -1), 123457},
            {at(50'000'000, 0), 50'000'001}};
        for (const auto& [now, first] : firsts) EXPECT_EQ(grid.FirstAfter(now), first) << now;
        const std::array<std::int64_t, 3> nexts[] = {  // done, now, next
            {3, at(3, 1), 4}, {3, at(4, -1), 4},                   // in time: the next point
            {3, at(4, 0), 4}, {3, at(4, i / 4), 4},                // just missed: still due, a little late
            {3, at(4, i / 2 + 1), 5},                              // missed by half an interval: skipped
            {3, at(6, i / 4), 6}, {3, at(6, 3 * i / 4), 7},        // no burst of catch-up ticks
            {4, at(4, i / 4), 5}, {0, at(0, 0), 1}};               // never the same point
        for (const auto& [done, now, next] : nexts) EXPECT_EQ(grid.NextAfter(done, now), next) << done << " " << now;
    }
}

}  // namespace
}  // namespace kino
