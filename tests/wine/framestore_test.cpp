// The frame store on real folders and files: the Win32 file-system seam, and loading, showing and
// releasing frames over GDI+.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "base/message_box_win.h"
#include "base/text_win.h"
#include "framestore/file_system_win.h"
#include "framestore/framestore.h"
#include "gdiplus_fixture_win.h"
#include "imaging/image_service_win.h"

namespace kino::test {
namespace {

using ::testing::UnorderedElementsAre;

TEST(Win32FileSystem, TellsEntriesFilesAndFoldersApartAndListsFiles) {
    TempFolder folder;
    const struct {
        const wchar_t* name;
        DWORD attributes;
        bool entry, plainFile, isFolder;
    } rows[] = {
        // Hidden and system entries are no entries, and no plain files; a hidden folder is a folder.
        {L"plain.txt", FILE_ATTRIBUTE_NORMAL, true, true, false},
        {L"readonly.txt", FILE_ATTRIBUTE_READONLY, true, true, false},
        {L"hidden.txt", FILE_ATTRIBUTE_HIDDEN, false, false, false},
        {L"system.txt", FILE_ATTRIBUTE_SYSTEM, false, false, false},
        {L"帧Ω.png", FILE_ATTRIBUTE_NORMAL, true, true, false},
        {L"sub", FILE_ATTRIBUTE_DIRECTORY, true, false, true},
        {L"hiddensub", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN, false, false, true},
    };
    Win32FileSystem files;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::wstring path = folder.File(row.name);
        if (row.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
        } else {
            WriteBytes(path, "x");
        }
        SetFileAttributesW(path.c_str(), row.attributes);
        EXPECT_EQ(files.EntryExists(FromWide(path.c_str())), row.entry);
        EXPECT_EQ(files.PlainFileExists(FromWide(path.c_str())), row.plainFile);
        EXPECT_EQ(files.FolderExists(FromWide(path.c_str())), row.isFolder);
    }
    for (const char16_t* nothing : {u"", u"Z:\\no\\such\\thing"}) EXPECT_FALSE(files.EntryExists(nothing));
    EXPECT_TRUE(files.EntryExists(u"C:\\")) << "a drive root is a folder";
    EXPECT_TRUE(files.FolderExists(folder.PathText() + u"\\"));

    std::vector<Text> names{u"kept"};
    files.ListFiles(folder.PathText(), names);
    EXPECT_THAT(names, UnorderedElementsAre(u"kept", u"plain.txt", u"readonly.txt", u"hidden.txt", u"system.txt", u"帧Ω.png"));
    std::vector<Text> empty;
    files.ListFiles(folder.FileText(L"sub"), empty);
    EXPECT_TRUE(empty.empty());
    EXPECT_THROW(files.ListFiles(folder.FileText(L"missing"), empty), FileSystemError);
    EXPECT_THROW(files.ListFiles(folder.FileText(L"plain.txt"), empty), FileSystemError);
    EXPECT_EQ(files.LowerCase(u"A.B.GIF ÀÉÎÕÜ ΩΣ ДЖ 帧"), u"a.b.gif àéîõü ωσ дж 帧");
}

// Passes everything to the real file system and runs a step right after each listing.
class ChangingFileSystem final : public FileSystem {
public:
    std::function<void()> afterListing;
    bool EntryExists(TextView path) override { return real_.EntryExists(path); }
    bool PlainFileExists(TextView path) override { return real_.PlainFileExists(path); }
    bool FolderExists(TextView path) override { return real_.FolderExists(path); }
    void ListFiles(TextView folder, std::vector<Text>& names) override {
        real_.ListFiles(folder, names);
        if (afterListing) afterListing();
    }
    Text LowerCase(TextView text) override { return real_.LowerCase(text); }

private:
    Win32FileSystem real_;
};

COLORREF FrameColour(int n) { return RGB(20 * n, 255 - 20 * n, 60); }

class FrameStoreOnDisk : public GdiplusTest {
protected:
    void TearDown() override { ReleaseFrameImages(frames, images); }
    std::vector<Text> Keys() const {
        std::vector<Text> keys;
        for (const FrameImage& frame : frames) keys.push_back(frame.key);
        return keys;
    }
    // The colour drawn for the key at (2, 2) of a white surface.
    std::uint32_t Shown(TextView key) {
        MemorySurface surface(16, 16);
        ShowFrameByName(surface, frames, key, 0, 0, images);
        return surface.Pixel(2, 2);
    }
    static std::uint32_t Rgb(int n) { return ArgbOf(FrameColour(n)) & 0xFFFFFF; }

    TempFolder folder;
    ChangingFileSystem files;
    GdiplusImageService images;
    MessageBoxRecorder recorder;
    WindowMessageBoxes boxes;
    Platform platform{files, images, boxes};
    FrameArray frames;
};

TEST_F(FrameStoreOnDisk, LoadsEveryFileOfTheTypeAndShowsEachByItsKey) {
    const std::wstring sub = folder.File(L"帧文件夹Ω");
    ASSERT_TRUE(CreateDirectoryW(sub.c_str(), nullptr));
    for (int n = 0; n < 3; ++n) WriteSolidPng(sub + L"\\walk" + std::to_wstring(n) + L".png", 8, 8, FrameColour(n));
    WriteSolidPng(sub + L"\\帧.01.PNG", 8, 8, FrameColour(3));
    WriteSolidPng(sub + L"\\hidden.png", 8, 8, FrameColour(4));
    SetFileAttributesW((sub + L"\\hidden.png").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    WriteBytes(sub + L"\\walk3.bmp", BmpBytes(8, 8, Solid(8, 8, 0xFF000000)));
    WriteBytes(sub + L"\\damaged.png", "damaged");
    ASSERT_TRUE(CreateDirectoryW((sub + L"\\sub.png").c_str(), nullptr));

    LoadFrameImages(frames, FromWide(sub.c_str()), 2, platform);
    EXPECT_THAT(Keys(), UnorderedElementsAre(u"walk0", u"walk1", u"walk2", u"帧.01", u"hidden", u"damaged"));
    for (int n = 0; n < 3; ++n) EXPECT_EQ(Shown(u"walk" + DecimalText(n)), Rgb(n));
    EXPECT_EQ(Shown(u"帧.01"), Rgb(3));
    EXPECT_EQ(Shown(u"hidden"), Rgb(4)) << "hidden and system frames load";
    for (const char16_t* nothing : {u"damaged", u"walk3", u"Walk1"}) EXPECT_EQ(Shown(nothing), 0xFFFFFFu);
    EXPECT_TRUE(recorder.Boxes().empty());

    LoadFrameImages(frames, FromWide(folder.File(L"missing").c_str()), 2, platform);
    ASSERT_EQ(recorder.Boxes().size(), 1u);
    EXPECT_EQ(recorder.Boxes()[0].text, u"文件夹不存在。");
    EXPECT_EQ(frames.size(), 6u);
}

TEST_F(FrameStoreOnDisk, FilesGoneAfterTheListingGiveElementsWithoutImage) {
    for (int n = 0; n < 4; ++n) WriteSolidPng(folder.File(L"f" + std::to_wstring(n) + L".png"), 4, 4, FrameColour(n));
    files.afterListing = [&] {
        DeleteFileW(folder.File(L"f1.png").c_str());
        MoveFileW(folder.File(L"f2.png").c_str(), folder.File(L"moved.txt").c_str());
    };
    LoadFrameImages(frames, folder.PathText(), 2, platform);
    EXPECT_THAT(Keys(), UnorderedElementsAre(u"f0", u"f1", u"f2", u"f3"));
    for (const FrameImage& frame : frames) EXPECT_EQ(frame.image == 0, frame.key == u"f1" || frame.key == u"f2");
    EXPECT_EQ(Shown(u"f3"), Rgb(3));
    EXPECT_TRUE(recorder.Boxes().empty());
}

}  // namespace
}  // namespace kino::test
