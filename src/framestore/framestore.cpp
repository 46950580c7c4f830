#include "framestore/framestore.h"

#include <exception>
#include <utility>

namespace kino {

bool TypeAcceptsExtension(std::int32_t typeIndex, TextView extension) {
    switch (typeIndex) {
        case 0: return extension == u"jpg" || extension == u"jpeg";
        case 1: return extension == u"bmp";
        case 2: return extension == u"png";
        case 3: return extension == u"gif";
        default: return false;
    }
}

Text GetFileExtension(TextView fileName, FileSystem& files) {
    const std::size_t dot = fileName.rfind(u'.');
    return files.LowerCase(dot == TextView::npos ? fileName : fileName.substr(dot + 1));
}

Text FrameKeyOfFileName(TextView fileName, TextView extension) {
    // The extension was measured on the lower-cased text; never cut past the start of the name.
    const std::size_t length = fileName.size() >= extension.size() ? fileName.size() - extension.size() : 0;
    Text key(fileName.substr(0, length));
    if (!key.empty() && key.back() == u'.') key.pop_back();
    return key;
}

FrameFiles ListFrameFiles(Text folderPath, std::int32_t typeIndex, const Platform& platform) {
    FrameFiles files;
    if (folderPath.empty() || folderPath.back() != u'\\') folderPath.push_back(u'\\');
    if (!platform.files.FolderExists(folderPath)) {
        platform.boxes.Show(kFolderMissingText, kErrorTitle, kStopIconStyle);
        return files;
    }

    // A listing that breaks off still yields the names read before.
    std::vector<Text> names;
    try {
        platform.files.ListFiles(folderPath, names);
    } catch (const FileSystemError&) {
        files.listingFailure = std::current_exception();
    }
    for (const Text& name : names) {
        const Text extension = GetFileExtension(name, platform.files);
        if (!TypeAcceptsExtension(typeIndex, extension)) continue;
        files.frames.push_back({0, FrameKeyOfFileName(name, extension)});
        files.paths.push_back(folderPath + name);
    }
    return files;
}

void KeepFramesWithKeys(FrameFiles& files, const std::unordered_set<Text>& keys) {
    std::unordered_set<Text> taken;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < files.frames.size(); ++i) {
        if (keys.count(files.frames[i].key) == 0 || !taken.insert(files.frames[i].key).second) continue;
        if (kept != i) {
            files.frames[kept] = std::move(files.frames[i]);
            files.paths[kept] = std::move(files.paths[i]);
        }
        ++kept;
    }
    files.frames.resize(kept);
    files.paths.resize(kept);
}

void LoadFrameImages(FrameArray& frames, Text folderPath, std::int32_t typeIndex, const Platform& platform) {
    FrameFiles files = ListFrameFiles(std::move(folderPath), typeIndex, platform);
    // Every element is made, and the list's room reserved, before any image exists, so that
    // nothing after the decoding can throw and leave images without an owner.
    if (!files.frames.empty()) {
        frames.reserve(frames.size() + files.frames.size());
        // One call for all files, so the service can decode them side by side.
        const std::vector<ImageRef> images = platform.images.LoadImages(files.paths);
        for (std::size_t i = 0; i < files.frames.size(); ++i) {
            if (i < images.size()) files.frames[i].image = images[i];
            frames.push_back(std::move(files.frames[i]));
        }
    }
    if (files.listingFailure) std::rethrow_exception(files.listingFailure);
}

void ShowFrameByName(DrawingSurface& surface, const FrameArray& frames, TextView frameKey, std::int32_t x,
                     std::int32_t y, ImageService& images) {
    for (const FrameImage& frame : frames) {
        if (frame.key != frameKey) continue;
        // The first equal key decides, even when its file failed to decode.
        if (frame.image != 0) images.DrawImage(surface, frame.image, x, y);
        return;
    }
}

void ReleaseFrameImages(FrameArray& frames, ImageService& images) {
    for (const FrameImage& frame : frames) images.DisposeImage(frame.image);
    FrameArray().swap(frames);  // frees the keys and the storage; can't throw
}

}  // namespace kino
