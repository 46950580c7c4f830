#include "framestore/framestore.h"

#include <gtest/gtest.h>

#include "core/paths.h"
#include "fakes.h"

namespace kino {
namespace {

using test::Log;

struct FrameStoreTest : ::testing::Test {
    test::FakeFileSystem files;
    test::FakeImages images;
    test::FakeBoxes boxes;
    Platform platform{files, images, boxes};
    test::FakeSurface surface;
    FrameArray frames;

    void Folder(std::initializer_list<const char16_t*> names) {
        for (const char16_t* name : names) files.AddFile(u"C:\\f", name);
    }
    void Load(std::int32_t typeIndex, Text folder = u"C:\\f") { LoadFrameImages(frames, folder, typeIndex, platform); }
    Log Keys() const {
        Log keys;
        for (const FrameImage& f : frames) keys.push_back(f.key);
        return keys;
    }
    // What a lookup of key draws: "<file>@x,y", or "" when nothing.
    Text Show(TextView key) {
        const std::size_t before = images.drawn.size();
        ShowFrameByName(surface, frames, key, 5, -6, images);
        return images.drawn.size() == before ? Text() : images.drawn.back();
    }
};

TEST(FrameFileNames, ExtensionAndKey) {
    test::FakeFileSystem files;
    const struct {
        const char16_t *name, *extension, *key;
    } rows[] = {{u"a1.jpg", u"jpg", u"a1"}, {u"walk.01.PNG", u"png", u"walk.01"}, {u"A.B.GIF", u"gif", u"A.B"},
                {u"x.", u"", u"x"},         {u"README", u"readme", u""},        {u".gif", u"gif", u""},
                {u"", u"", u""}};
    for (const auto& row : rows) {
        const Text extension = GetFileExtension(row.name, files);
        EXPECT_EQ(extension, row.extension);
        EXPECT_EQ(FrameKeyOfFileName(row.name, extension), row.key);
    }
    EXPECT_EQ(FrameKeyOfFileName(u"ab", u"abcd"), u"");  // an extension longer than the name
}

TEST(DriveRoots, CountAsFolders) {
    for (const char16_t* root : {u"C:\\", u"z:\\", u"D:/", u"\\\\?\\E:\\"}) EXPECT_TRUE(IsDriveRoot(root));
    for (const char16_t* other : {u"C:", u"C:\\x", u"C:\\\\", u"1:\\", u"\\\\?\\", u"", u"\\", u"CC:\\"})
        EXPECT_FALSE(IsDriveRoot(other)) << ::testing::PrintToString(Text(other));
}

TEST_F(FrameStoreTest, LoadsEveryFileOfTheTypeInListingOrderWithOneDecodeCall) {
    Folder({u"b.JPG", u"a.jpg", u"x.png", u"c.Jpeg", u"e.jpe", u"jpg"});
    frames.push_back({7, u"old"});
    Load(0);
    EXPECT_EQ(Keys(), (Log{u"old", u"b", u"a", u"c", u""}));  // appended after what was there
    ASSERT_EQ(images.loadCalls.size(), 1u);
    EXPECT_EQ(images.loadCalls[0], (Log{u"C:\\f\\b.JPG", u"C:\\f\\a.jpg", u"C:\\f\\c.Jpeg", u"C:\\f\\jpg"}));
    EXPECT_EQ(frames[1].image, 100u);
    EXPECT_EQ(frames[4].image, 103u);
    Load(0, u"C:\\f\\");  // with a trailing separator the paths are the same
    EXPECT_EQ(images.loadCalls[1], images.loadCalls[0]);
    for (std::int32_t index : {-1, 4}) Load(index);  // other types: nothing to decode, nothing said
    EXPECT_EQ(images.loadCalls.size(), 2u);
    EXPECT_EQ(frames.size(), 9u);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FrameStoreTest, MissingFolderShowsOneBoxAndLeavesTheList) {
    frames.push_back({7, u"old"});
    Load(0, u"C:\\nowhere");
    EXPECT_EQ(boxes.shown, Log{u"文件夹不存在。|错误|16"});
    EXPECT_EQ(Keys(), Log{u"old"});
    EXPECT_TRUE(images.loadCalls.empty());
}

TEST_F(FrameStoreTest, ListingFailureKeepsTheFilesListedBeforeAndPassesOn) {
    Folder({u"a0.png", u"a1.png", u"a2.png"});
    files.failListingAfter = 2;
    EXPECT_THROW(Load(2), FileSystemError);
    EXPECT_EQ(Keys(), (Log{u"a0", u"a1"}));
    EXPECT_NE(frames[1].image, 0u);
}

TEST_F(FrameStoreTest, LookupIsExactAndTheFirstEqualKeyDecides) {
    Folder({u"A1.JPG", u"a1.jpg", u"a1.jpeg", u"a3.jpg", u"a3.jpeg", u"walk.01.jpg"});
    images.damaged.insert(u"C:\\f\\a3.jpg");
    Load(0);
    const std::pair<const char16_t*, const char16_t*> lookups[] = {
        {u"A1", u"A1.JPG@5,-6"}, {u"a1", u"a1.jpg@5,-6"}, {u"walk.01", u"walk.01.jpg@5,-6"},
        {u"a3", u""},  // damaged, and shadows the later a3.jpeg
        {u"a", u""},   {u"", u""}};
    for (const auto& [key, drawn] : lookups) EXPECT_EQ(Show(key), drawn);
}

TEST_F(FrameStoreTest, ReleaseDisposesEveryElementInOrderAndEmptiesTheList) {
    frames = {{0, u"a"}, {101, u"b"}, {103, u"d"}};
    ReleaseFrameImages(frames, images);
    EXPECT_EQ(images.events, (Log{u"dispose 0", u"dispose 101", u"dispose 103"}));
    EXPECT_TRUE(frames.empty());
    EXPECT_EQ(frames.capacity(), 0u);
}

}  // namespace
}  // namespace kino
