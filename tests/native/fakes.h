// In-memory stand-ins for the platform seams and the window's controls, with logs of what the
// code under test did to them.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "app/layout.h"
#include "playback/load_job.h"
#include "playback/playback.h"

namespace kino::test {

using Log = std::vector<Text>;
inline Text FileNameOf(TextView path) { return Text(path.substr(path.rfind(u'\\') + 1)); }

// Folders (keys end in "\") hold plain files; paths use "\" as on Windows.
struct FakeFileSystem : FileSystem {
    std::map<Text, std::vector<Text>> folders;
    std::set<Text> hidden;  // full paths of files marked hidden or system
    Log listed;             // every folder listed, in order

    static Text Slashed(TextView path) { return Text(path) + (path.ends_with(u'\\') ? u"" : u"\\"); }
    void AddFile(TextView folder, TextView name) { folders[Slashed(folder)].emplace_back(name); }
    bool EntryExists(TextView path) override { return FolderExists(path); }
    bool FolderExists(TextView path) override { return folders.count(Slashed(path)) != 0; }
    void ListVisibleFiles(TextView folder, std::vector<Text>& names) override {
        listed.emplace_back(folder);
        const auto found = folders.find(Slashed(folder));
        if (found == folders.end()) throw FileSystemError("no such folder");
        names.insert(names.end(), found->second.begin(), found->second.end());
        std::erase_if(names, [&](const Text& name) { return hidden.count(Slashed(folder) + name) != 0; });
    }
    Text LowerCase(TextView text) override {
        Text out(text);
        for (char16_t& c : out)
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + (u'a' - u'A'));
        return out;
    }

};

// Hands out images from 100 on and logs loads, disposals and draws.
struct FakeImages : ImageService {
    std::map<ImageRef, Text> pathOf;
    Log events;  // "load <n>" and "dispose <image>", in order
    Log drawn;   // "<file name>@x,y" of each draw
    ImageRef nextImage = 100;
    ImageSize limit;                                // of the last decode
    std::map<Text, ImageSize> sizes;                // header sizes; 16 x 16 for other paths
    std::size_t headersRead = 0, disposed = 0;
    std::uint64_t room = ~std::uint64_t{0};         // what RoomForImages answers
    int outOfMemoryAt = -1;                         // >= 0: that frame's allocation fails
    std::function<void(std::size_t)> beforeDecode;  // called on the decoding thread

    std::vector<OwnedImage> DecodeImages(const std::vector<Text>& paths, ImageSize held,
                                         DecodeControl& control) override {
        limit = held;
        events.push_back(u"load " + DecimalText(std::ssize(paths)));
        std::vector<OwnedImage> images(paths.size());
        for (std::size_t i = 0; i < paths.size() && !control.cancel && !control.outOfMemory; ++i) {
            if (beforeDecode) beforeDecode(i);
            if (static_cast<int>(i) == outOfMemoryAt) control.outOfMemory = true;
            else images[i] = Own(paths[i]);
            ++control.decoded;
        }
        return images;
    }
    // A decoded image of path, owned.
    OwnedImage Own(const Text& path) {
        pathOf[nextImage] = path;
        return OwnedImage(nextImage++, *this);
    }
    std::optional<ImageSize> ReadImageSize(TextView path) override {
        ++headersRead;
        const auto found = sizes.find(Text(path));
        return found == sizes.end() ? ImageSize{16, 16} : found->second;
    }
    std::uint64_t RoomForImages() override { return room; }
    void DisposeImage(ImageRef image) override {
        ++disposed;
        events.push_back(u"dispose " + DecimalText(static_cast<std::int64_t>(image)));
    }
    void DrawImage(DrawingSurface&, ImageRef image, std::int32_t x, std::int32_t y) override {
        drawn.push_back(FileNameOf(pathOf.at(image)) + u"@" + DecimalText(x) + u"," + DecimalText(y));
    }
};

// The window's controls as plain fields, the picture box a surface that draws nothing; every write
// is logged.
struct FakeForm : FormControls, DrawingSurface {
    Text folder, prefix, first, last, info;
    std::int32_t typeIndex = 0;
    bool reverse = false, loop = true, clock = false;
    int rate = 30;
    Log writes;

    void Write(Text what) { writes.push_back(std::move(what)); }
    Text FolderText() override { return folder; }
    void SetFolderText(TextView text) override { Write(u"folder=" + (folder = Text(text))); }
    Text PrefixText() override { return prefix; }
    void SetPrefixText(TextView text) override { Write(u"prefix=" + (prefix = Text(text))); }
    Text FirstNumberText() override { return first; }
    void SetFirstNumberText(TextView text) override { Write(u"first=" + (first = Text(text))); }
    Text LastNumberText() override { return last; }
    void SetLastNumberText(TextView text) override { Write(u"last=" + (last = Text(text))); }
    std::int32_t TypeIndex() override { return typeIndex; }
    void SetTypeIndex(std::int32_t index) override { Write(u"type=" + DecimalText(typeIndex = index)); }
    Text TypeEntry(std::int32_t i) override { return i >= 0 && i < 3 ? Text(kTypeEntries[i]) : Text(); }
    bool ReverseChecked() override { return reverse; }
    bool LoopChecked() override { return loop; }
    int Rate() override { return rate; }
    Text InfoText() override { return info; }
    void SetInfoText(TextView text) override { Write(u"info=" + (info = Text(text))); }
    void SetRateCaption(TextView text) override { Write(u"rate caption=" + Text(text)); }
    bool ClockEnabled() override { return clock; }
    void SetClockEnabled(bool on) override { Write((clock = on) ? u"clock on" : u"clock off"); }
    void SetClockInterval(std::int32_t ms) override { Write(u"interval=" + DecimalText(ms)); }
    void SetInputsEnabled(bool on) override { Write(on ? u"inputs enabled" : u"inputs disabled"); }
    void ClearPicture() override { Write(u"clear"); }
    DrawingSurface& Picture() override { return *this; }
    bool GetHdc(std::intptr_t& hdc) override { return (hdc = 1) != 0; }
    bool Refresh() override { return true; }
    ImageSize PictureLimit() override { return {256, 256}; }
};

// A window over a folder C:\frames, with the playback state and the platform fakes.
struct Rig {
    FakeFileSystem files;
    FakeImages images;
    Platform platform{files, images};
    FakeForm form;
    PlaybackState state;
    static constexpr char16_t kFolder[] = u"C:\\frames";

    // Files img<first>..img<last>.png, and the inputs typed for that range.
    void Prepare(std::int64_t first, std::int64_t last) {
        for (std::int64_t n = first; n <= last; ++n) files.AddFile(kFolder, u"img" + DecimalText(n) + u".png");
        form.folder = kFolder;
        form.prefix = u"img";
        form.first = DecimalText(first);
        form.last = DecimalText(last);
        form.typeIndex = 2;
    }
    // A press of the play button as the window runs it, waiting for the load.
    void Click() {
        std::optional<LoadRequest> request = StartStopCommand(state, form, platform);
        if (!request) return;
        const std::unique_ptr<LoadJob> job = BeginLoad(state, form, platform, std::move(*request), [] {});
        if (job) EndLoad(state, form, *job);
    }
};

}  // namespace kino::test
