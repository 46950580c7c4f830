// The frame store: decoded frame images of one animation, keyed by file name.
#pragma once
#include <cstdint>
#include <exception>
#include <unordered_set>
#include <vector>

#include "core/platform.h"

namespace kino {

struct FrameImage {
    ImageRef image = 0;  // 0 when the file failed to decode
    Text key;            // file name without its last dot and extension
};

// The window's frame list, in the order the folder listing gave the files.
using FrameArray = std::vector<FrameImage>;

inline constexpr char16_t kFolderMissingText[] = u"文件夹不存在。";
inline constexpr char16_t kErrorTitle[] = u"错误";

// True when extension (already lower-cased) is one the type index accepts:
// 0 jpg/jpeg, 1 bmp, 2 png, 3 gif, anything else none.
bool TypeAcceptsExtension(std::int32_t typeIndex, TextView extension);

// The text after the last dot (the whole name without one), lower-cased by the system.
Text GetFileExtension(TextView fileName, FileSystem& files);

// The key of a taken file: the name without its extension and the dot before it.
Text FrameKeyOfFileName(TextView fileName, TextView extension);

// The files a load takes, in listing order: elements with their keys and images still 0, and
// the path of each.
struct FrameFiles {
    FrameArray frames;
    std::vector<Text> paths;
    std::exception_ptr listingFailure;  // the listing broke off: what it gave before is here
};

// Lists the folder's files of the type. A missing folder shows its box and gives none.
FrameFiles ListFrameFiles(Text folderPath, std::int32_t typeIndex, const Platform& platform);

// Keeps the first file of each key in keys, in order: a later file with the same key would
// never be drawn.
void KeepFramesWithKeys(FrameFiles& files, const std::unordered_set<Text>& keys);

// Appends every image of the type found in the folder. A missing folder shows its box and
// leaves the list alone. Throws FileSystemError when the folder can't be listed (elements made
// before stay).
void LoadFrameImages(FrameArray& frames, Text folderPath, std::int32_t typeIndex, const Platform& platform);

// Draws the first frame whose key equals frameKey exactly; nothing when there is none or its
// image is 0.
void ShowFrameByName(DrawingSurface& surface, const FrameArray& frames, TextView frameKey, std::int32_t x,
                     std::int32_t y, ImageService& images);

// Disposes every image (0 included) and empties the list.
void ReleaseFrameImages(FrameArray& frames, ImageService& images);

}  // namespace kino
