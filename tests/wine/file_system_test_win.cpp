// The file-system seam on real folders and files.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/text_win.h"
#include "framestore/file_system_win.h"
#include "sample_files_win.h"

namespace kino::test {
namespace {

using ::testing::UnorderedElementsAre;

TEST(Win32FileSystem, TellsEntriesFilesAndFoldersApartAndListsFiles) {
    TempFolder folder;
    // Hidden and system entries are no entries; a hidden folder is a folder.
    const struct {
        const wchar_t* name;
        DWORD attributes;
        bool entry, isFolder;
    } rows[] = {{L"plain.txt", FILE_ATTRIBUTE_NORMAL, true, false},
                {L"readonly.txt", FILE_ATTRIBUTE_READONLY, true, false},
                {L"hidden.txt", FILE_ATTRIBUTE_HIDDEN, false, false},
                {L"system.txt", FILE_ATTRIBUTE_SYSTEM, false, false},
                {L"帧Ω.png", FILE_ATTRIBUTE_NORMAL, true, false},
                {L"sub", FILE_ATTRIBUTE_DIRECTORY, true, true},
                {L"hiddensub", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN, false, true}};
    Win32FileSystem files;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::wstring path = folder.File(row.name);
        if (row.attributes & FILE_ATTRIBUTE_DIRECTORY) CreateDirectoryW(path.c_str(), nullptr);
        else WriteBytes(path, "x");
        SetFileAttributesW(path.c_str(), row.attributes);
        EXPECT_EQ(files.EntryExists(FromWide(path.c_str())), row.entry);
        EXPECT_EQ(files.FolderExists(FromWide(path.c_str())), row.isFolder);
    }
    for (const char16_t* nothing : {u"", u"Z:\\no\\such\\thing"}) EXPECT_FALSE(files.EntryExists(nothing));
    SetFileAttributesW(folder.File(L"readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);  // for the folder's removal
    // NTFS marks a drive root hidden and system; it is still a folder to choose.
    const DWORD root = GetFileAttributesW(L"C:\\");
    ASSERT_TRUE(SetFileAttributesW(L"C:\\", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_EQ(GetFileAttributesW(L"C:\\") & FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(files.EntryExists(u"C:\\"));
    SetFileAttributesW(L"C:\\", root);

    std::vector<Text> visible{u"kept"};
    files.ListVisibleFiles(folder.PathText(), visible);
    EXPECT_THAT(visible, UnorderedElementsAre(u"kept", u"plain.txt", u"readonly.txt", u"帧Ω.png"));
    std::vector<Text> empty;
    files.ListVisibleFiles(folder.FileText(L"sub"), empty);
    EXPECT_TRUE(empty.empty()) << "no . or ..";
    for (const wchar_t* notAFolder : {L"missing", L"plain.txt"})
        EXPECT_THROW(files.ListVisibleFiles(folder.FileText(notAFolder), empty), FileSystemError);
    EXPECT_EQ(files.LowerCase(u"A.B.GIF ÀÉÎÕÜ ΩΣ ДЖ 帧"), u"a.b.gif àéîõü ωσ дж 帧");
}

}  // namespace
}  // namespace kino::test
