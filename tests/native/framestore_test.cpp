#include "framestore/framestore.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/paths.h"
#include "fakes.h"

namespace kino {
namespace {

using test::T;
using test::U8;
using Strings = std::vector<std::string>;

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
    Strings Keys() const {
        Strings keys;
        for (const FrameImage& f : frames) keys.push_back(U8(f.key));
        return keys;
    }
    // What a lookup of key draws: "<file>@x,y", or "" when nothing.
    std::string Show(std::string_view key) {
        const std::size_t before = images.drawn.size();
        ShowFrameByName(surface, frames, T(key), 5, -6, images);
        return images.drawn.size() == before ? "" : images.drawn.back();
    }
};

TEST(FrameFileNames, ExtensionKeyAndType) {
    test::FakeFileSystem files;
    const struct {
        const char *name, *extension, *key;
    } rows[] = {{"a1.jpg", "jpg", "a1"},  {"walk.01.PNG", "png", "walk.01"}, {"A.B.GIF", "gif", "A.B"},
                {"x.", "", "x"},          {"README", "readme", ""},          {".gif", "gif", ""},
                {"", "", ""}};
    for (const auto& row : rows) {
        const Text extension = GetFileExtension(T(row.name), files);
        EXPECT_EQ(U8(extension), row.extension) << row.name;
        EXPECT_EQ(U8(FrameKeyOfFileName(T(row.name), extension)), row.key) << row.name;
    }
    EXPECT_EQ(FrameKeyOfFileName(u"ab", u"abcd"), u"");  // an extension longer than the name
    const struct {
        std::int32_t type;
        std::vector<const char16_t*> accepted;
    } types[] = {{0, {u"jpg", u"jpeg"}}, {1, {u"bmp"}}, {2, {u"png"}}, {3, {u"gif"}}, {-1, {}}, {4, {}}};
    for (const auto& [type, accepted] : types)
        for (const char16_t* extension : {u"jpg", u"jpeg", u"bmp", u"png", u"gif", u"JPG", u"jpe", u""})
            EXPECT_EQ(TypeAcceptsExtension(type, extension),
                      std::find(accepted.begin(), accepted.end(), TextView(extension)) != accepted.end())
                << type << " " << U8(extension);
}

TEST(DriveRoots, CountAsFolders) {
    for (const char16_t* root : {u"C:\\", u"z:\\", u"D:/", u"\\\\?\\E:\\"}) EXPECT_TRUE(IsDriveRoot(root)) << U8(root);
    for (const char16_t* other : {u"C:", u"C:\\x", u"C:\\\\", u"1:\\", u"\\\\?\\", u"", u"\\", u"CC:\\"})
        EXPECT_FALSE(IsDriveRoot(other)) << U8(other);
}

TEST_F(FrameStoreTest, LoadsEveryFileOfTheTypeInListingOrderWithOneDecodeCall) {
    Folder({"b.JPG", "a.jpg", "x.png", "c.Jpeg", "e.jpe", "jpg"});
    frames.push_back({7, u"old"});
    Load(0);
    EXPECT_EQ(Keys(), (Strings{"old", "b", "a", "c", ""}));  // appended after what was there
    ASSERT_EQ(images.loadCalls.size(), 1u);
    EXPECT_EQ(images.loadCalls[0],
              (std::vector<Text>{u"C:\\f\\b.JPG", u"C:\\f\\a.jpg", u"C:\\f\\c.Jpeg", u"C:\\f\\jpg"}));
    EXPECT_EQ(frames[1].image, 100u);
    EXPECT_EQ(frames[4].image, 103u);
    // With a trailing separator the paths are the same.
    Load(0, u"C:\\f\\");
    EXPECT_EQ(images.loadCalls[1], images.loadCalls[0]);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FrameStoreTest, OtherTypeIndexesLoadNothingAndSayNothing) {
    Folder({"a.jpg", "b.bmp", "c.png", "d.gif"});
    for (std::int32_t index : {-1, 4}) Load(index);
    EXPECT_TRUE(frames.empty());
    EXPECT_TRUE(images.loadCalls.empty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FrameStoreTest, MissingFolderShowsOneBoxAndLeavesTheList) {
    frames.push_back({7, u"old"});
    Load(0, u"C:\\nowhere");
    EXPECT_EQ(boxes.shown, Strings{"文件夹不存在。|错误|16"});
    EXPECT_EQ(Keys(), Strings{"old"});
    EXPECT_TRUE(images.loadCalls.empty());
}

TEST_F(FrameStoreTest, ListingFailureKeepsTheFilesListedBeforeAndPassesOn) {
    Folder({"a0.png", "a1.png", "a2.png"});
    files.failListingAfter = 2;
    EXPECT_THROW(Load(2), FileSystemError);
    EXPECT_EQ(Keys(), (Strings{"a0", "a1"}));
    EXPECT_NE(frames[1].image, 0u);
}

TEST_F(FrameStoreTest, LookupIsExactAndTheFirstEqualKeyDecides) {
    Folder({"A1.JPG", "a1.jpg", "a1.jpeg", "a3.jpg", "a3.jpeg", "walk.01.jpg"});
    images.damaged.insert(u"C:\\f\\a3.jpg");
    Load(0);
    EXPECT_EQ(Show("A1"), "A1.JPG@5,-6");
    EXPECT_EQ(Show("a1"), "a1.jpg@5,-6");
    EXPECT_EQ(Show("a3"), "");  // damaged, and shadows the later a3.jpeg
    EXPECT_EQ(Show("walk.01"), "walk.01.jpg@5,-6");
    EXPECT_EQ(Show("a"), "");
    EXPECT_EQ(Show(""), "");
}

TEST_F(FrameStoreTest, ReleaseDisposesEveryElementInOrderAndEmptiesTheList) {
    frames = {{0, u"a"}, {101, u"b"}, {103, u"d"}};
    ReleaseFrameImages(frames, images);
    EXPECT_EQ(images.events, (Strings{"dispose 0", "dispose 101", "dispose 103"}));
    EXPECT_TRUE(frames.empty());
    EXPECT_EQ(frames.capacity(), 0u);
}

}  // namespace
}  // namespace kino
