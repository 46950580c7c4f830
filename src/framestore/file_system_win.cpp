#include "framestore/file_system_win.h"

#include <windows.h>

#include <string>

#include "base/handles_win.h"
#include "base/text_win.h"
#include "core/paths.h"

namespace kino {
namespace {

DWORD AttributesOf(TextView path) {
    return GetFileAttributesW(WideString(path).c_str());
}

constexpr DWORD kHiddenOrSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

void CloseFind(HANDLE find) { FindClose(find); }
using UniqueFind = UniqueAny<HANDLE, CloseFind>;  // holds null, never INVALID_HANDLE_VALUE

std::string ListingError(const char* what, DWORD error) {
    return std::string(what) + " (error " + std::to_string(error) + ")";
}

}  // namespace

bool Win32FileSystem::EntryExists(TextView path) {
    const DWORD attributes = AttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    return !(attributes & kHiddenOrSystem) || ((attributes & FILE_ATTRIBUTE_DIRECTORY) && IsDriveRoot(path));
}

bool Win32FileSystem::FolderExists(TextView path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void Win32FileSystem::ListVisibleFiles(TextView folder, std::vector<Text>& names) {
    Text pattern(folder);
    if (pattern.empty() || pattern.back() != u'\\') pattern.push_back(u'\\');
    pattern.push_back(u'*');

    WIN32_FIND_DATAW found;
    HANDLE first = FindFirstFileExW(Wide(pattern), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                    FIND_FIRST_EX_LARGE_FETCH);
    UniqueFind find(first == INVALID_HANDLE_VALUE ? nullptr : first);
    if (!find) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return;  // nothing at all in the folder
        throw FileSystemError(ListingError("the folder can't be opened", error));
    }
    do {
        // Files only; "." and ".." are folders.
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | kHiddenOrSystem)) continue;
        names.push_back(FromWide(found.cFileName));
    } while (FindNextFileW(find.get(), &found));
    const DWORD error = GetLastError();
    if (error != ERROR_NO_MORE_FILES) throw FileSystemError(ListingError("the folder can't be listed", error));
}

Text Win32FileSystem::LowerCase(TextView text) {
    Text lower(text);
    if (lower.empty()) return lower;
    // CharLowerBuffW maps in place and never changes the length.
    CharLowerBuffW(reinterpret_cast<wchar_t*>(lower.data()), static_cast<DWORD>(lower.size()));
    return lower;
}

}  // namespace kino
