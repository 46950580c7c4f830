#include "framestore/framestore.h"

#include <gtest/gtest.h>

#include "core/paths.h"
#include "fakes.h"

namespace kino {
namespace {

using test::Log;

TEST(DriveRoots, CountAsFolders) {
    for (const char16_t* root : {u"C:\\", u"z:\\", u"D:/", u"\\\\?\\E:\\"}) EXPECT_TRUE(IsDriveRoot(root));
    for (const char16_t* other : {u"C:", u"C:\\x", u"C:\\\\", u"1:\\", u"\\\\?\\", u"", u"\\", u"CC:\\"})
        EXPECT_FALSE(IsDriveRoot(other)) << ::testing::PrintToString(Text(other));
}

TEST(FrameStore, LookupIsExactAndTheFirstEqualKeyDecides) {
    test::FakeImages images;
    test::FakeSurface surface;
    images.pathOf = {{100, u"A1.JPG"}, {101, u"a1.jpg"}, {102, u"walk.01.jpg"}, {103, u"a3.jpeg"}};
    const FrameArray frames = {{100, u"A1"}, {101, u"a1"}, {102, u"walk.01"}, {0, u"a3"}, {103, u"a3"}};
    const std::pair<const char16_t*, const char16_t*> lookups[] = {
        {u"A1", u"A1.JPG@5,-6"}, {u"a1", u"a1.jpg@5,-6"}, {u"walk.01", u"walk.01.jpg@5,-6"},
        {u"a3", u""},  // failed to decode, and shadows the later a3
        {u"a", u""},   {u"", u""}};
    for (const auto& [key, drawn] : lookups) {
        const std::size_t before = images.drawn.size();
        ShowFrameByName(surface, frames, key, 5, -6, images);
        EXPECT_EQ(images.drawn.size() == before ? Text() : images.drawn.back(), drawn);
    }
}

TEST(FrameStore, ReleaseDisposesEveryElementInOrderAndEmptiesTheList) {
    test::FakeImages images;
    FrameArray frames = {{0, u"a"}, {101, u"b"}, {103, u"d"}};
    ReleaseFrameImages(frames, images);
    EXPECT_EQ(images.events, (Log{u"dispose 0", u"dispose 101", u"dispose 103"}));
    EXPECT_TRUE(frames.empty());
    EXPECT_EQ(frames.capacity(), 0u);
}

}  // namespace
}  // namespace kino
