// The seams through which the platform-free code reaches the system.
#pragma once
#include <stdexcept>
#include <vector>

#include "core/image_service.h"
#include "core/text.h"

namespace kino {

// Message-box style: stop icon and one OK button.
inline constexpr unsigned kStopIconStyle = 16;

// Raised when a folder cannot be opened or listed.
struct FileSystemError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct FileSystem {
    virtual ~FileSystem() = default;
    // An existing entry of any kind (folder or file); hidden or system entries don't count, except
    // a drive root (which NTFS marks so).
    virtual bool EntryExists(TextView path) = 0;
    // An existing folder (hidden ones included).
    virtual bool FolderExists(TextView path) = 0;
    // Appends the names (no path) of the folder's files that a frame number can name: not its
    // subfolders, nor files marked hidden or system; in the order the system lists them. Throws
    // FileSystemError when the folder can't be listed; names read before the failure stay appended.
    virtual void ListVisibleFiles(TextView folder, std::vector<Text>& names) = 0;
    // The system's lower-case mapping of letters.
    virtual Text LowerCase(TextView text) = 0;
};

struct Platform {
    FileSystem& files;
    ImageService& images;
};

}  // namespace kino
