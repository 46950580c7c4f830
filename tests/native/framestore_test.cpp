#include "framestore/framestore.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace kino {
namespace {

using test::T;
using test::U8;

struct FrameStoreTest : ::testing::Test {
    test::FakeFileSystem files;
    test::FakeImages images;
    test::FakeBoxes boxes;
    Platform platform{files, images, boxes};
    test::FakeSurface surface;
    FrameArray frames;

    void Folder(std::initializer_list<const char*> names) {
        for (const char* name : names) files.AddFile(u"C:\\f", T(name));
    }
    void Load(std::int32_t typeIndex, Text folder = u"C:\\f") { LoadFrameImages(frames, folder, typeIndex, platform); }
    std::vector<std::string> Keys() const {
        std::vector<std::string> keys;
        for (const FrameImage& f : frames) keys.push_back(U8(f.Key));
        return keys;
    }
    // The file name drawn by a lookup of key, or "" when nothing was drawn.
    std::string Show(std::string_view key) {
        const std::size_t before = images.draws.size();
        ShowFrameByName(surface, frames, T(key), 0, 0, images);
        return images.draws.size() == before ? "" : images.DrawnNames().back();
    }
};

TEST(GetFileExtension, IsTheLowerCasedTextAfterTheLastDot) {
    test::FakeFileSystem files;
    for (const auto& [name, ext] : std::vector<std::pair<const char*, const char*>>{
             {"x.", ""}, {"README", "readme"}, {".gif", "gif"}, {"A.B.GIF", "gif"}, {"a1.Jpeg", "jpeg"}, {"", ""}})
        EXPECT_EQ(U8(GetFileExtension(T(name), files)), ext) << name;
}

TEST(FrameKeyOfFileName, DropsTheExtensionAndItsDot) {
    EXPECT_EQ(FrameKeyOfFileName(u"a1.jpg", u"jpg"), u"a1");
    EXPECT_EQ(FrameKeyOfFileName(u"walk.01.png", u"png"), u"walk.01");
    EXPECT_EQ(FrameKeyOfFileName(u"PNG", u"png"), u"");
    EXPECT_EQ(FrameKeyOfFileName(u".gif", u"gif"), u"");
    EXPECT_EQ(FrameKeyOfFileName(u"ab", u"abcd"), u"");  // an extension longer than the name
}

TEST(TypeAcceptsExtension, FollowsTheTypeList) {
    EXPECT_TRUE(TypeAcceptsExtension(0, u"jpg"));
    EXPECT_TRUE(TypeAcceptsExtension(0, u"jpeg"));
    EXPECT_TRUE(TypeAcceptsExtension(1, u"bmp"));
    EXPECT_TRUE(TypeAcceptsExtension(2, u"png"));
    EXPECT_TRUE(TypeAcceptsExtension(3, u"gif"));
    EXPECT_FALSE(TypeAcceptsExtension(0, u"JPG"));  // compared after lower-casing, not here
    EXPECT_FALSE(TypeAcceptsExtension(1, u"png"));
    for (std::int32_t index : {-1, 4, 100, INT32_MIN})
        for (const char16_t* ext : {u"jpg", u"bmp", u"png", u"gif", u""}) EXPECT_FALSE(TypeAcceptsExtension(index, ext));
}

TEST_F(FrameStoreTest, LoadsEveryFileOfTheTypeInListingOrderWithOneDecodeCall) {
    Folder({"b.JPG", "a.jpg", "x.png", "c.Jpeg", "d.jpeg", "e.jpe", "f.jfif", "jpg"});
    Load(0);
    EXPECT_EQ(Keys(), (std::vector<std::string>{"b", "a", "c", "d", ""}));
    ASSERT_EQ(images.loadCalls.size(), 1u);
    EXPECT_EQ(images.loadCalls[0], (std::vector<Text>{u"C:\\f\\b.JPG", u"C:\\f\\a.jpg", u"C:\\f\\c.Jpeg",
                                                      u"C:\\f\\d.jpeg", u"C:\\f\\jpg"}));
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].Index, static_cast<std::int32_t>(i));
        EXPECT_EQ(frames[i].ImageHandle, 100 + i);
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FrameStoreTest, FolderWithOrWithoutTrailingSeparatorGivesTheSamePaths) {
    Folder({"a1.png", "PNG"});
    Load(2, u"C:\\f");
    Load(2, u"C:\\f\\");
    ASSERT_EQ(images.loadCalls.size(), 2u);
    EXPECT_EQ(images.loadCalls[0], (std::vector<Text>{u"C:\\f\\a1.png", u"C:\\f\\PNG"}));
    EXPECT_EQ(images.loadCalls[1], images.loadCalls[0]);
    EXPECT_EQ(Keys(), (std::vector<std::string>{"a1", "", "a1", ""}));
}

TEST_F(FrameStoreTest, OtherTypeIndexesLoadNothingAndSayNothing) {
    Folder({"a.jpg", "b.bmp", "c.png", "d.gif"});
    for (std::int32_t index : {-1, 4}) Load(index);
    EXPECT_TRUE(frames.empty());
    EXPECT_TRUE(images.loadCalls.empty());
    EXPECT_TRUE(boxes.shown.empty());
    Load(3);
    EXPECT_EQ(Keys(), std::vector<std::string>{"d"});
}

TEST_F(FrameStoreTest, MissingFolderShowsOneBoxAndLeavesTheList) {
    frames.push_back({7, 0, u"old"});
    Load(0, u"C:\\nowhere");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, u"文件夹不存在。");
    EXPECT_EQ(boxes.shown[0].title, u"错误");
    EXPECT_EQ(boxes.shown[0].style, 16u);
    EXPECT_EQ(Keys(), std::vector<std::string>{"old"});
    EXPECT_TRUE(images.loadCalls.empty());
}

TEST_F(FrameStoreTest, AppendsAfterTheElementsAlreadyThere) {
    frames.resize(3);
    Folder({"a0.bmp", "a1.bmp"});
    Load(1);
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[3].Index, 3);
    EXPECT_EQ(frames[3].Key, u"a0");
    EXPECT_EQ(frames[4].Index, 4);
}

TEST_F(FrameStoreTest, ListingFailureKeepsTheFilesListedBeforeAndPassesOn) {
    Folder({"a0.png", "a1.png", "a2.png"});
    files.failListingAfter = 2;
    EXPECT_THROW(Load(2), FileSystemError);
    EXPECT_EQ(Keys(), (std::vector<std::string>{"a0", "a1"}));
    EXPECT_NE(frames[1].ImageHandle, 0u);
}

TEST_F(FrameStoreTest, LookupIsExactAndTheFirstEqualKeyDecides) {
    Folder({"A1.JPG", "a1.jpg", "a1.jpeg", "a3.jpg", "a3.jpeg", "walk.01.jpg"});
    images.damaged.insert(u"C:\\f\\a3.jpg");
    Load(0);
    EXPECT_EQ(Show("A1"), "A1.JPG");
    EXPECT_EQ(Show("a1"), "a1.jpg");
    EXPECT_EQ(Show("a3"), "");  // damaged, and shadows the later a3.jpeg
    EXPECT_EQ(Show("walk.01"), "walk.01.jpg");
    EXPECT_EQ(Show("a"), "");
    EXPECT_EQ(Show(""), "");
    ShowFrameByName(surface, frames, u"a1", 5, -6, images);
    EXPECT_EQ(images.draws.back().surface, &surface);
    EXPECT_EQ(images.draws.back().x, 5);
    EXPECT_EQ(images.draws.back().y, -6);
    EXPECT_EQ(images.draws.back().zoom, 1.0f);
    frames.clear();
    EXPECT_EQ(Show("a1"), "");
}

TEST_F(FrameStoreTest, ReleaseDisposesEveryElementInOrderAndEmptiesTheList) {
    frames = {{0, 0, u"a"}, {101, 1, u"b"}, {0, 2, u"c"}, {103, 3, u"d"}};
    ReleaseFrameImages(frames, images);
    EXPECT_EQ(images.disposed, (std::vector<ImageRef>{0, 101, 0, 103}));
    EXPECT_TRUE(frames.empty());
    EXPECT_EQ(frames.capacity(), 0u);
    ReleaseFrameImages(frames, images);
    EXPECT_EQ(images.disposed.size(), 4u);
}

}  // namespace
}  // namespace kino
