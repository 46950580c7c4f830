#include "playback/load_job.h"

#include <gtest/gtest.h>

#include <future>

#include "fakes.h"

namespace kino {
namespace {

using test::Log;

TEST(LoadTexts, MemoryInWholeMegabytes) {
    constexpr std::uint64_t MB = 1 << 20;
    EXPECT_EQ(OutOfMemoryText(2373 * MB + MB / 2, 1999 * MB + MB / 2 - 1), u"内存不足：需要 2374 MB，可用 1999 MB。");
}

struct LoadJobTest : ::testing::Test, test::Rig {
    // The decoded files, by name, in the order they were asked for.
    Log Decoded() const {
        Log names;
        for (const auto& call : images.loadCalls)
            for (const Text& path : call) names.push_back(test::FileNameOf(path));
        return names;
    }
    // Neither playing nor locked, every decoded image released, the info box saying `info`.
    void ExpectNothingPlays(const Text& info) {
        EXPECT_FALSE(form.clock);
        EXPECT_TRUE(state.frames.empty());
        EXPECT_EQ(form.writes.back(), u"inputs enabled");
        EXPECT_EQ(images.disposed, images.pathOf.size());
        EXPECT_EQ(form.info, info);
    }
};

TEST_F(LoadJobTest, TheFilesTheCheckFoundAreDecodedInNumberOrderAtThePicturesLimit) {
    for (const char16_t* name : {u"img10.png", u"img02.png", u"img004.png", u"img1.jpg", u"take2_img3.png", u"img3.PNG",
                                 u"img04.png"})
        files.AddFile(kFolder, name);
    Prepare(1, 3);
    form.last = u"4";  // 4 only padded: the fewest digits
    Click();
    EXPECT_EQ(Decoded(), (Log{u"img1.png", u"img2.png", u"img3.PNG", u"img04.png"}));
    EXPECT_EQ(images.limit, (ImageSize{256, 256}));
    ASSERT_EQ(state.frames.size(), 4u);
    EXPECT_EQ(state.frames[2].key, u"img3");
    EXPECT_TRUE(form.clock);

    // A prefix that names a subfolder: that folder's files are checked and loaded.
    Click();  // stop
    files.AddFile(u"C:\\frames\\shots", u"walk1.png");
    files.AddFile(u"C:\\frames\\shots", u"walk2.png");
    form.prefix = u"shots\\walk";
    form.first = u"1";
    form.last = u"2";
    images.loadCalls.clear();
    Click();
    ASSERT_EQ(images.loadCalls.size(), 1u);
    EXPECT_EQ(images.loadCalls[0], (Log{u"C:\\frames\\shots\\walk1.png", u"C:\\frames\\shots\\walk2.png"}));
    EXPECT_EQ(state.frames[1].key, u"shots\\walk2");
}

TEST_F(LoadJobTest, WhatCannotFitIsRefusedBeforeDecoding) {
    Prepare(0, 2);
    images.sizes[u"C:\\frames\\img0.png"] = {1920, 1080};
    images.sizes[u"C:\\frames\\img1.png"] = {100, 40000};
    Click();  // three whole boxes fit: no header is read
    EXPECT_EQ(images.headersRead, 0u);
    EXPECT_EQ(Decoded().size(), 3u);

    // What is held: 256 x 256, 100 x 256 and 16 x 16 (img2) pixels.
    images.room = (256 * 256 + 100 * 256 + 16 * 16) * 4;
    for (const bool fits : {true, false}) {
        Click();  // stop
        images.loadCalls.clear();
        Click();
        EXPECT_EQ(Decoded().size(), fits ? 3u : 0u);
        EXPECT_EQ(form.clock, fits);
        --images.room;
    }
    ExpectNothingPlays(u"内存不足：需要 0 MB，可用 0 MB。");
}

TEST_F(LoadJobTest, AFailedAllocationReleasesTheWholeLoad) {
    Prepare(0, 4);
    images.outOfMemoryAt = 3;
    images.room = 1 << 20;
    Click();
    EXPECT_EQ(images.pathOf.size(), 3u);
    ExpectNothingPlays(u"内存不足：需要 0 MB，可用 1 MB。");
}

TEST_F(LoadJobTest, CancelStopsTheDecodingReleasesItAndPlaysNothing) {
    Prepare(0, 9);
    std::promise<void> cancelled;
    std::promise<void> atFrame3;
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
    EXPECT_EQ(Log(form.writes.end() - 2, form.writes.end()), (Log{u"inputs disabled", u"info=正在载入：0/10 帧"}));
    job->Cancel();
    cancelled.set_value();
    EndLoad(state, form, *job);
    EXPECT_EQ(images.pathOf.size(), 4u) << "the frame in hand is finished, no later one begun";
    ExpectNothingPlays(u"已取消载入。");
}

}  // namespace
}  // namespace kino
