// In-memory stand-ins for the platform seams and the window's controls, with logs of what the
// code under test did to them.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "playback/playback.h"

namespace kino::test {

inline std::string U8(TextView text) { return Utf8FromText(text); }
inline Text T(std::string_view utf8) { return TextFromUtf8(utf8); }

// Folders hold plain files; paths use "\" as on Windows.
struct FakeFileSystem : FileSystem {
    std::map<Text, std::vector<Text>> folders;  // key: folder path ending in "\"
    std::set<Text> plainFiles;                  // full paths
    std::vector<Text> plainLookups;             // every PlainFileExists path, in order
    int failListingAfter = -1;                  // >= 0: ListFiles throws after that many names

    static Text WithSeparator(TextView path) {
        Text p(path);
        if (p.empty() || p.back() != u'\\') p.push_back(u'\\');
        return p;
    }
    void AddFile(TextView folder, TextView name) {
        folders[WithSeparator(folder)].emplace_back(name);
        plainFiles.insert(WithSeparator(folder) + Text(name));
    }
    bool EntryExists(TextView path) override { return FolderExists(path) || plainFiles.count(Text(path)) != 0; }
    bool PlainFileExists(TextView path) override {
        plainLookups.emplace_back(path);
        return plainFiles.count(Text(path)) != 0;
    }
    bool FolderExists(TextView path) override { return folders.count(WithSeparator(path)) != 0; }
    void ListFiles(TextView folder, std::vector<Text>& names) override {
        int given = 0;
        for (const Text& name : folders.at(WithSeparator(folder))) {
            if (given++ == failListingAfter) throw FileSystemError("listing broke off");
            names.push_back(name);
        }
    }
    Text LowerCase(TextView text) override {
        Text out(text);
        for (char16_t& c : out)
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + (u'a' - u'A'));
        return out;
    }
};

// Hands out images from 100 on (0 for damaged files) and logs loads, disposals and draws.
struct FakeImages : ImageService {
    std::set<Text> damaged;  // paths that fail to decode
    std::map<ImageRef, Text> pathOf;
    std::vector<std::vector<Text>> loadCalls;
    std::vector<std::string> events;  // "load <n>" and "dispose <image>", in order
    std::vector<std::string> drawn;   // "<file name>@x,y" of each draw
    ImageRef nextImage = 100;

    std::vector<ImageRef> LoadImages(const std::vector<Text>& paths) override {
        loadCalls.push_back(paths);
        events.push_back("load " + std::to_string(paths.size()));
        std::vector<ImageRef> images;
        for (const Text& path : paths) {
            images.push_back(damaged.count(path) ? 0 : nextImage);
            if (!damaged.count(path)) pathOf[nextImage++] = path;
        }
        return images;
    }
    void DisposeImage(ImageRef image) override { events.push_back("dispose " + std::to_string(image)); }
    void DrawImage(DrawingSurface&, ImageRef image, std::int32_t x, std::int32_t y) override {
        const Text& path = pathOf.at(image);
        drawn.push_back(U8(path.substr(path.rfind(u'\\') + 1)) + "@" + std::to_string(x) + "," + std::to_string(y));
    }
};

struct FakeBoxes : MessageBoxes {
    std::vector<std::string> shown;  // "text|title|style"
    void Show(TextView text, TextView title, unsigned style) override {
        shown.push_back(U8(text) + "|" + U8(title) + "|" + std::to_string(style));
    }
};

struct FakeSurface : DrawingSurface {
    bool GetAutoRedraw(bool& value) override { return value = true; }
    bool SetAutoRedraw(bool) override { return true; }
    bool GetHdc(std::intptr_t& hdc) override { return (hdc = 1) != 0; }
    bool Refresh() override { return true; }
};

// The window's controls as plain fields. Every write goes to `writes`, every read to `reads`.
struct FakeForm : FormControls {
    Text folder, prefix, first, last;
    std::int32_t typeIndex = 0;
    std::vector<Text> types{u"jpg", u"bmp", u"png"};
    bool reverse = false, loop = true, clock = false;
    int rate = 30;
    std::int32_t interval = 33;
    Text info;
    FakeSurface picture;
    std::vector<std::string> writes, reads;

    Text FolderText() override { return Read("folder", folder); }
    Text PrefixText() override { return Read("prefix", prefix); }
    Text FirstNumberText() override { return Read("first", first); }
    void SetFirstNumberText(TextView text) override { Write("first=" + U8(first = Text(text))); }
    Text LastNumberText() override { return Read("last", last); }
    std::int32_t TypeIndex() override { return Read("type", typeIndex); }
    Text TypeEntry(std::int32_t i) override {
        return Read("entry", i >= 0 && i < static_cast<std::int32_t>(types.size()) ? types[i] : Text());
    }
    bool ReverseChecked() override { return Read("reverse", reverse); }
    bool LoopChecked() override { return Read("loop", loop); }
    int Rate() override { return Read("rate", rate); }
    void SetInfoText(TextView text) override { Write("info=" + U8(info = Text(text))); }
    void SetRateCaption(TextView text) override { Write("rate caption=" + U8(text)); }
    bool ClockEnabled() override { return Read("clock", clock); }
    void SetClockEnabled(bool on) override { Write(std::string("clock ") + ((clock = on) ? "on" : "off")); }
    void SetClockInterval(std::int32_t ms) override { Write("interval=" + std::to_string(interval = ms)); }
    void SetInputsEnabled(bool on) override { Write(on ? "inputs enabled" : "inputs disabled"); }
    void ClearPicture() override { Write("clear"); }
    DrawingSurface& Picture() override { return picture; }

private:
    template <typename V>
    V Read(const char* name, V value) {
        reads.push_back(name);
        return value;
    }
    void Write(std::string what) { writes.push_back(std::move(what)); }
};

// A window over a folder C:\frames, with the playback state and the platform fakes.
struct Rig {
    FakeFileSystem files;
    FakeImages images;
    FakeBoxes boxes;
    Platform platform{files, images, boxes};
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
    void Click() { RunStartStop(state, form, platform); }
};

}  // namespace kino::test
