// The frame store on real folders and files: the Win32 file-system seam, and LoadFrameImages,
// ShowFrameByName and ReleaseFrameImages over GDI+.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <iostream>

#include "base/message_box.h"
#include "base/win_text.h"
#include "framestore/file_system_win.h"
#include "framestore/framestore.h"
#include "gdiplus_fixture.h"
#include "imaging/image_service_win.h"
#include "test_support.h"

namespace kino::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

Text T(const std::wstring& wide) { return FromWide(wide.c_str()); }

void SetAttributes(const std::wstring& path, DWORD attributes) { ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes)); }

// ---------------------------------------------------------------------------------------------
// The file-system seam.

class Win32FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(folder.File(L"plain.txt"), "x");
        WriteBytes(folder.File(L"hidden.txt"), "x");
        WriteBytes(folder.File(L"system.txt"), "x");
        WriteBytes(folder.File(L"readonly.txt"), "x");
        ASSERT_TRUE(CreateDirectoryW(folder.File(L"sub").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(folder.File(L"hiddensub").c_str(), nullptr));
        SetAttributes(folder.File(L"hidden.txt"), FILE_ATTRIBUTE_HIDDEN);
        SetAttributes(folder.File(L"system.txt"), FILE_ATTRIBUTE_SYSTEM);
        SetAttributes(folder.File(L"readonly.txt"), FILE_ATTRIBUTE_READONLY);
        SetAttributes(folder.File(L"hiddensub"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
    }
    TempFolder folder;
    Win32FileSystem files;
};

TEST_F(Win32FileSystemTest, ExistenceTestsTellEntriesFilesAndFoldersApart) {
    struct Expected {
        const wchar_t* name;
        bool entry, plainFile, folder;
    };
    // Hidden and system entries are no entries, and no plain files; a hidden folder is a folder.
    const Expected table[] = {
        {L"plain.txt", true, true, false}, {L"readonly.txt", true, true, false}, {L"sub", true, false, true},
        {L"hidden.txt", false, false, false}, {L"system.txt", false, false, false},
        {L"hiddensub", false, false, true}, {L"missing", false, false, false},
    };
    for (const Expected& expected : table) {
        SCOPED_TRACE(testing::Message() << "entry " << Utf8FromText(FromWide(expected.name)));
        const Text path = T(folder.File(expected.name));
        EXPECT_EQ(files.EntryExists(path), expected.entry);
        EXPECT_EQ(files.PlainFileExists(path), expected.plainFile);
        EXPECT_EQ(files.FolderExists(path), expected.folder);
    }
    EXPECT_TRUE(files.FolderExists(T(folder.Path())));
    EXPECT_TRUE(files.FolderExists(T(folder.Path() + L"\\")));
    EXPECT_FALSE(files.EntryExists(u""));
    EXPECT_FALSE(files.FolderExists(u""));
}

TEST_F(Win32FileSystemTest, ListsEveryFileButNoFolder) {
    WriteBytes(folder.File(L"\u5E27\u03A9.png"), "x");  // 帧Ω.png, outside the code page
    std::vector<Text> names{u"kept"};
    files.ListFiles(T(folder.Path()), names);
    EXPECT_THAT(names, UnorderedElementsAre(u"kept", u"plain.txt", u"hidden.txt", u"system.txt", u"readonly.txt",
                                            u"帧Ω.png"));
    std::vector<Text> again;
    files.ListFiles(T(folder.Path() + L"\\"), again);
    EXPECT_EQ(again, std::vector<Text>(names.begin() + 1, names.end()));
}

TEST_F(Win32FileSystemTest, EmptyFolderListsNothingAndMissingFolderThrows) {
    std::vector<Text> names;
    files.ListFiles(T(folder.File(L"sub")), names);
    EXPECT_THAT(names, IsEmpty());
    EXPECT_THROW(files.ListFiles(T(folder.File(L"missing")), names), FileSystemError);
    EXPECT_THROW(files.ListFiles(T(folder.File(L"plain.txt")), names), FileSystemError);
    EXPECT_THAT(names, IsEmpty());
}

TEST(Win32FileSystemLowerCase, MapsLettersBeyondAToZ) {
    Win32FileSystem files;
    EXPECT_EQ(files.LowerCase(u"A.B.GIF"), u"a.b.gif");
    EXPECT_EQ(files.LowerCase(u"ÀÉÎÕÜ ΩΣ ДЖ 帧"), u"àéîõü ωσ дж 帧");
    EXPECT_EQ(files.LowerCase(u""), u"");
    EXPECT_EQ(files.LowerCase(Text(u"A\0B", 3)), Text(u"a\0b", 3));
}

// ---------------------------------------------------------------------------------------------
// The frame store on disk.

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

    void Load(const std::wstring& path, std::int32_t typeIndex) {
        LoadFrameImages(frames, T(path), typeIndex, platform);
    }
    std::vector<Text> Keys() const {
        std::vector<Text> keys;
        for (const FrameImage& frame : frames) keys.push_back(frame.Key);
        return keys;
    }
    const FrameImage* Find(TextView key) const {
        for (const FrameImage& frame : frames)
            if (frame.Key == key) return &frame;
        return nullptr;
    }
    void ExpectIndicesArePositions() const {
        for (std::size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(frames[i].Index, static_cast<std::int32_t>(i));
    }
    // The colour ShowFrameByName draws for the key at (2, 2) of a white surface.
    std::uint32_t Shown(TextView key) {
        MemorySurface surface(16, 16);
        ShowFrameByName(surface, frames, key, 0, 0, images);
        return surface.Pixel(2, 2);
    }
    static std::uint32_t Rgb(COLORREF colour) { return ArgbOf(colour) & 0xFFFFFF; }

    TempFolder folder;
    ChangingFileSystem files;
    GdiplusImageService images;
    MessageBoxRecorder recorder;
    WindowMessageBoxes boxes;
    Platform platform{files, images, boxes};
    FrameArray frames;
};

TEST_F(FrameStoreOnDisk, LoadsEveryFileOfTheTypeAndShowsEachByItsKey) {
    for (int n = 0; n < 6; ++n) WriteSolidPng(folder.File(L"walk" + std::to_wstring(n) + L".png"), 8, 8, FrameColour(n));
    WriteSolidBmp(folder.File(L"walk6.bmp"), 8, 8, FrameColour(6));
    WriteSolidPng(folder.File(L"walk.01.PNG"), 8, 8, FrameColour(7));
    WriteSolidPng(folder.File(L"PNG"), 8, 8, FrameColour(8));  // no dot: the whole name is the extension
    WriteBytes(folder.File(L"notes.txt"), "x");
    ASSERT_TRUE(CreateDirectoryW(folder.File(L"sub.png").c_str(), nullptr));

    Load(folder.Path(), 2);
    EXPECT_THAT(Keys(), UnorderedElementsAre(u"walk0", u"walk1", u"walk2", u"walk3", u"walk4", u"walk5",
                                             u"walk.01", u""));
    ExpectIndicesArePositions();
    for (const FrameImage& frame : frames) EXPECT_NE(frame.ImageHandle, 0u) << Utf8FromText(frame.Key);
    for (int n = 0; n < 6; ++n) EXPECT_EQ(Shown(u"walk" + DecimalText(n)), Rgb(FrameColour(n)));
    EXPECT_EQ(Shown(u"walk.01"), Rgb(FrameColour(7)));
    EXPECT_EQ(Shown(u""), Rgb(FrameColour(8)));
    EXPECT_EQ(Shown(u"walk6"), 0xFFFFFFu);  // a bmp, not loaded under png
    EXPECT_EQ(Shown(u"Walk1"), 0xFFFFFFu);  // keys compare exactly
    EXPECT_THAT(recorder.Boxes(), IsEmpty());
}

TEST_F(FrameStoreOnDisk, FolderWithTrailingBackslashLoadsTheSameAndListsAppend) {
    WriteSolidBmp(folder.File(L"a1.bmp"), 4, 4, FrameColour(1));
    WriteSolidBmp(folder.File(L"a2.bmp"), 4, 4, FrameColour(2));
    WriteSolidBmp(folder.File(L"a3.bmp"), 4, 4, FrameColour(3));
    Load(folder.Path() + L"\\", 1);
    ASSERT_EQ(frames.size(), 3u);
    const std::vector<Text> first = Keys();
    Load(folder.Path(), 1);  // appended from index 3
    ASSERT_EQ(frames.size(), 6u);
    ExpectIndicesArePositions();
    const std::vector<Text> all = Keys();
    EXPECT_EQ(std::vector<Text>(all.begin() + 3, all.end()), first);
    for (const FrameImage& frame : frames) EXPECT_NE(frame.ImageHandle, 0u);
}

TEST_F(FrameStoreOnDisk, JpegTypeTakesBothExtensionsInAnyCase) {
    WriteSolidJpeg(folder.File(L"a.jpg"), 8, 8, FrameColour(1));
    WriteSolidJpeg(folder.File(L"B.JPG"), 8, 8, FrameColour(2));
    WriteSolidJpeg(folder.File(L"c.Jpeg"), 8, 8, FrameColour(3));
    WriteSolidJpeg(folder.File(L"d.jpe"), 8, 8, FrameColour(4));
    WriteSolidJpeg(folder.File(L"e.jfif"), 8, 8, FrameColour(5));
    Load(folder.Path(), 0);
    EXPECT_THAT(Keys(), UnorderedElementsAre(u"a", u"B", u"c"));
    EXPECT_EQ(Shown(u"b"), 0xFFFFFFu);
    EXPECT_NE(Shown(u"B"), 0xFFFFFFu);
}

TEST_F(FrameStoreOnDisk, DamagedFileGivesAnElementWithoutImageThatDecidesItsKey) {
    WriteBytes(folder.File(L"a3.jpg"), "damaged");
    WriteSolidJpeg(folder.File(L"a3.jpeg"), 8, 8, FrameColour(3));
    WriteBytes(folder.File(L"a4.jpg"), "");
    Load(folder.Path(), 0);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(Find(u"a4")->ImageHandle, 0u);
    EXPECT_EQ(Shown(u"a4"), 0xFFFFFFu);
    // Whichever a3 the folder listed first decides, also when it is the damaged one.
    const FrameImage* first = Find(u"a3");
    ASSERT_NE(first, nullptr);
    if (first->ImageHandle == 0) {
        EXPECT_EQ(Shown(u"a3"), 0xFFFFFFu);
    } else {
        EXPECT_NE(Shown(u"a3"), 0xFFFFFFu);
    }
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(), [](const FrameImage& f) { return f.ImageHandle == 0; }), 2);
    EXPECT_THAT(recorder.Boxes(), IsEmpty());
}

TEST_F(FrameStoreOnDisk, MissingFolderShowsItsBoxAndOtherTypesLoadNothing) {
    WriteSolidPng(folder.File(L"a1.png"), 4, 4, FrameColour(1));
    Load(folder.Path(), -1);
    Load(folder.Path(), 4);
    Load(folder.Path(), 3);
    EXPECT_THAT(frames, IsEmpty());
    EXPECT_THAT(recorder.Boxes(), IsEmpty());

    Load(folder.File(L"missing"), 2);
    EXPECT_THAT(frames, IsEmpty());
    ASSERT_EQ(recorder.Boxes().size(), 1u);
    EXPECT_EQ(recorder.Boxes()[0].text, u"文件夹不存在。");
    EXPECT_EQ(recorder.Boxes()[0].title, u"错误");
    EXPECT_EQ(recorder.Boxes()[0].style, 16u);
}

TEST_F(FrameStoreOnDisk, FolderOfTenThousandOtherFilesLoadsNothing) {
    CreateEmptyFiles(folder.Path(), L"note", 10000, L".pngx", L".txt");
    std::vector<Text> names;
    files.ListFiles(T(folder.Path()), names);
    ASSERT_EQ(names.size(), 10000u);
    WriteSolidPng(folder.File(L"only.png"), 4, 4, FrameColour(1));
    const auto start = std::chrono::steady_clock::now();
    Load(folder.Path(), 2);
    const auto elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
    std::cout << "[ figures  ] listing 10001 files and loading 1: " << elapsed.count() << " ms\n";
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].Key, u"only");
    EXPECT_NE(frames[0].ImageHandle, 0u);
}

TEST_F(FrameStoreOnDisk, FilesDeletedOrRenamedAfterTheListingGiveElementsWithoutImage) {
    for (int n = 0; n < 4; ++n) WriteSolidPng(folder.File(L"f" + std::to_wstring(n) + L".png"), 4, 4, FrameColour(n));
    files.afterListing = [&] {
        DeleteFileW(folder.File(L"f1.png").c_str());
        MoveFileW(folder.File(L"f2.png").c_str(), folder.File(L"moved.png").c_str());
    };
    Load(folder.Path(), 2);
    EXPECT_THAT(Keys(), UnorderedElementsAre(u"f0", u"f1", u"f2", u"f3"));
    EXPECT_EQ(Find(u"f1")->ImageHandle, 0u);
    EXPECT_EQ(Find(u"f2")->ImageHandle, 0u);
    EXPECT_EQ(Shown(u"f0"), Rgb(FrameColour(0)));
    EXPECT_EQ(Shown(u"f3"), Rgb(FrameColour(3)));
    EXPECT_THAT(recorder.Boxes(), IsEmpty());
}

TEST_F(FrameStoreOnDisk, HiddenReadOnlyAndSystemFramesAreLoaded) {
    WriteSolidPng(folder.File(L"h.png"), 4, 4, FrameColour(1));
    WriteSolidPng(folder.File(L"r.png"), 4, 4, FrameColour(2));
    WriteSolidPng(folder.File(L"s.png"), 4, 4, FrameColour(3));
    SetAttributes(folder.File(L"h.png"), FILE_ATTRIBUTE_HIDDEN);
    SetAttributes(folder.File(L"r.png"), FILE_ATTRIBUTE_READONLY);
    SetAttributes(folder.File(L"s.png"), FILE_ATTRIBUTE_SYSTEM);
    Load(folder.Path(), 2);
    EXPECT_THAT(Keys(), UnorderedElementsAre(u"h", u"r", u"s"));
    EXPECT_EQ(Shown(u"h"), Rgb(FrameColour(1)));
    EXPECT_EQ(Shown(u"r"), Rgb(FrameColour(2)));
    EXPECT_EQ(Shown(u"s"), Rgb(FrameColour(3)));
}

TEST_F(FrameStoreOnDisk, NamesOutsideTheCodePageLoad) {
    const std::wstring sub = folder.File(L"\u5E27\u6587\u4EF6\u5939\u03A9");  // 帧文件夹Ω
    ASSERT_TRUE(CreateDirectoryW(sub.c_str(), nullptr));
    WriteSolidPng(sub + L"\\\u5E27\u03A91.png", 4, 4, FrameColour(4));  // 帧Ω1.png
    Load(sub, 2);
    EXPECT_THAT(Keys(), ElementsAre(u"帧Ω1"));
    EXPECT_EQ(Shown(u"帧Ω1"), Rgb(FrameColour(4)));
}

TEST_F(FrameStoreOnDisk, AfterALoadEverySourceFileCanGoWhileTheFramesStayDrawable) {
    for (int n = 0; n < 5; ++n) WriteSolidPng(folder.File(L"p" + std::to_wstring(n) + L".png"), 6, 6, FrameColour(n));
    WriteSolidJpeg(folder.File(L"j.jpg"), 6, 6, FrameColour(5));
    Load(folder.Path(), 2);
    Load(folder.Path(), 0);
    ASSERT_EQ(frames.size(), 6u);
    for (int n = 0; n < 5; ++n) {
        const std::wstring name = folder.File(L"p" + std::to_wstring(n) + L".png");
        if (n % 2) {
            EXPECT_TRUE(DeleteFileW(name.c_str())) << GetLastError();
        } else {
            EXPECT_TRUE(MoveFileW(name.c_str(), (name + L".old").c_str())) << GetLastError();
        }
    }
    EXPECT_TRUE(DeleteFileW(folder.File(L"j.jpg").c_str())) << GetLastError();
    for (int n = 0; n < 5; ++n) EXPECT_EQ(Shown(u"p" + DecimalText(n)), Rgb(FrameColour(n)));
    EXPECT_NE(Shown(u"j"), 0xFFFFFFu);
}

TEST_F(FrameStoreOnDisk, ReleaseDisposesEveryImageAndEmptiesTheList) {
    WriteSolidPng(folder.File(L"a.png"), 4, 4, FrameColour(1));
    WriteBytes(folder.File(L"b.png"), "damaged");
    Load(folder.Path(), 2);
    ASSERT_EQ(frames.size(), 2u);
    ReleaseFrameImages(frames, images);
    EXPECT_THAT(frames, IsEmpty());
    ReleaseFrameImages(frames, images);
    EXPECT_THAT(frames, IsEmpty());
}

}  // namespace
}  // namespace kino::test
