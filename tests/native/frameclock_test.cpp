#include <gtest/gtest.h>

#include <algorithm>

#include "fakes.h"

namespace kino {
namespace {

using Frames = test::Log;

// A folder with img0..img9.png; an animation started over part of it, then ticked.
struct Clock : test::Rig {
    void Start(const char16_t* first, const char16_t* last, bool reverse, bool loop) {
        Prepare(0, 9);
        form.first = first;
        form.last = last;
        form.reverse = reverse;
        form.loop = loop;
        Click();
        ASSERT_TRUE(form.clock);
    }
    // Ticks while the clock runs, at most `limit` times; the frame numbers drawn.
    Frames Ticks(int limit) {
        const std::size_t before = images.drawn.size();
        for (int i = 0; i < limit && form.clock; ++i) FrameClockTick(state, form, platform);
        Frames numbers;
        for (std::size_t i = before; i < images.drawn.size(); ++i)
            numbers.push_back(images.drawn[i].substr(3, images.drawn[i].find(u'.') - 3));  // img<n>.png@0,0
        return numbers;
    }
};

TEST(FrameClock, PlaysTheRangeInEachDirectionOnceOrLooping) {
    const struct {
        const char16_t *first, *last;
        bool reverse, loop;
        Frames frames;
        bool stillPlaying;
    } rows[] = {
        {u"3", u"5", false, true, {u"3", u"4", u"5", u"3", u"4", u"5", u"3", u"4", u"5", u"3"}, true},
        {u"3", u"5", true, false, {u"5", u"4", u"3"}, false},
        {u"3", u"5", true, true, {u"5", u"4", u"3", u"5", u"4", u"3", u"5", u"4", u"3", u"5"}, true},
        {u"1.2", u"1.4", false, false, {u"1"}, false},
        {u"1.2", u"1.4", true, true, Frames(10, u"1"), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << "row " << (&row - rows));
        Clock clock;
        clock.Start(row.first, row.last, row.reverse, row.loop);
        EXPECT_EQ(clock.Ticks(10), row.frames);
        EXPECT_EQ(clock.form.clock, row.stillPlaying);
    }
}

TEST(FrameClock, ClearingReverseMidRunTurnsAtOnce) {
    for (bool loop : {true, false}) {
        Clock clock;
        clock.Start(u"3", u"5", true, loop);
        EXPECT_EQ(clock.Ticks(1), Frames{u"5"});
        clock.form.reverse = false;
        EXPECT_EQ(clock.Ticks(5), loop ? (Frames{u"4", u"5", u"3", u"4", u"5"}) : (Frames{u"4", u"5"}));
        EXPECT_EQ(clock.form.clock, loop);
    }
}

TEST(FrameClock, EachTickClearsAndDrawsAtTheOriginAndTheLargestNumberWraps) {
    Clock clock;
    clock.Prepare(2147483646, 2147483647);
    clock.Click();
    clock.form.writes.clear();
    for (int i = 0; i < 3; ++i) FrameClockTick(clock.state, clock.form, clock.platform);
    EXPECT_EQ(clock.form.writes, (Frames{u"clear", u"clear", u"clear"}));
    EXPECT_EQ(clock.images.drawn,
              (Frames{u"img2147483646.png@0,0", u"img2147483647.png@0,0", u"img2147483646.png@0,0"}));
    EXPECT_EQ(clock.state.currentNumber, 2147483647);
}

// A frame that failed to decode draws nothing and play goes on; a file gone meanwhile (its frame
// is in memory) doesn't keep the end from stopping.
TEST(FrameClock, AnUndecodableFrameOrAFileGoneKeepsThePlayGoing) {
    Clock clock;
    clock.images.damaged.insert(u"C:\\frames\\img4.png");
    clock.Start(u"3", u"5", false, false);
    clock.files.RemoveFile(test::Rig::kFolder, u"img5.png");
    EXPECT_EQ(clock.Ticks(7), (Frames{u"3", u"5"}));
    EXPECT_FALSE(clock.form.clock);
    EXPECT_EQ(clock.form.info, u"");
}

}  // namespace
}  // namespace kino
