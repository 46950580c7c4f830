// In-memory stand-ins for the platform seams and the window's controls, with logs of what the
// code under test did to them.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/platform.h"
#include "core/text.h"
#include "framestore/framestore.h"
#include "imaging/image_service.h"
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
    void RemoveFile(TextView folder, TextView name) { plainFiles.erase(WithSeparator(folder) + Text(name)); }

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

// Hands out handles from 100 on (0 for damaged files) and remembers which path each belongs to.
struct FakeImages : ImageService {
    struct Draw {
        DrawingSurface* surface;
        ImageRef image;
        std::int32_t x, y;
        float zoom;
    };
    std::set<Text> damaged;  // paths that fail to decode
    std::map<ImageRef, Text> pathOf;
    std::vector<std::vector<Text>> loadCalls;
    std::vector<ImageRef> disposed;
    std::vector<Draw> draws;
    std::vector<std::string> events;  // "load <n>" and "dispose <handle>", in order
    ImageRef nextHandle = 100;

    std::vector<ImageRef> LoadImages(const std::vector<Text>& paths) override {
        loadCalls.push_back(paths);
        events.push_back("load " + std::to_string(paths.size()));
        std::vector<ImageRef> handles;
        for (const Text& path : paths) {
            if (damaged.count(path) != 0) {
                handles.push_back(0);
                continue;
            }
            pathOf[nextHandle] = path;
            handles.push_back(nextHandle++);
        }
        return handles;
    }
    void DisposeImage(ImageRef image) override {
        disposed.push_back(image);
        events.push_back("dispose " + std::to_string(image));
    }
    void DrawImageZoomed(DrawingSurface& surface, ImageRef image, std::int32_t x, std::int32_t y,
                         float zoom) override {
        draws.push_back({&surface, image, x, y, zoom});
    }
    // The file name (no folder) of each drawn image, in drawing order.
    std::vector<std::string> DrawnNames() const {
        std::vector<std::string> names;
        for (const Draw& d : draws) {
            const Text& path = pathOf.at(d.image);
            names.push_back(U8(path.substr(path.rfind(u'\\') + 1)));
        }
        return names;
    }
};

struct FakeBoxes : MessageBoxes {
    struct Box {
        Text text, title;
        unsigned style;
    };
    std::vector<Box> shown;
    void Show(TextView text, TextView title, unsigned style) override {
        shown.push_back({Text(text), Text(title), style});
    }
};

struct FakeSurface : DrawingSurface {
    bool GetAutoRedraw(bool& value) override { return value = true; }
    bool SetAutoRedraw(bool) override { return true; }
    bool GetHdc(std::intptr_t& hdc) override { return (hdc = 1) != 0; }
    bool Refresh() override { return true; }
};

inline const char* ControlName(InputControl c) {
    static const char* const kNames[] = {"Command1", "Text1(0)", "Combo1", "Text1(2)", "Text1(3)", "HScroll1", "Check2"};
    return kNames[static_cast<int>(c)];
}

// The window's controls as plain fields. Every write goes to `writes`, every read to `reads`.
struct FakeForm : FormControls {
    Text label1;
    Text text1[4];
    std::int32_t listIndex = 0;
    std::vector<Text> list{u"jpg", u"bmp", u"png"};
    int check1 = 0, check2 = 1, hscroll = 30;
    bool timer = false;
    std::int32_t interval = 33;
    Text info, label3;
    std::map<InputControl, bool> enabled;
    FakeSurface picture;
    std::vector<std::string> writes, reads;

    Text Label1Caption() override { return Read("Label1", label1); }
    Text Text1(int index) override { return Read("Text1(" + std::to_string(index) + ")", text1[index]); }
    void SetText1(int index, TextView text) override {
        text1[index] = Text(text);
        writes.push_back("Text1(" + std::to_string(index) + ")=" + U8(text));
    }
    std::int32_t Combo1ListIndex() override { return Read("ListIndex", listIndex); }
    Text Combo1List(std::int32_t index) override {
        return Read("List", index >= 0 && index < static_cast<std::int32_t>(list.size()) ? list[index] : Text());
    }
    int Check1Value() override { return Read("Check1", check1); }
    int Check2Value() override { return Read("Check2", check2); }
    int HScroll1Value() override { return Read("HScroll1", hscroll); }
    void SetInfoText(TextView text) override {
        info = Text(text);
        writes.push_back("txtInfo=" + U8(text));
    }
    void SetLabel3Caption(TextView text) override {
        label3 = Text(text);
        writes.push_back("Label3=" + U8(text));
    }
    bool Timer1Enabled() override { return Read("Timer1", timer); }
    void SetTimer1Enabled(bool on) override {
        timer = on;
        writes.push_back(std::string("Timer1=") + (on ? "on" : "off"));
    }
    void SetTimer1Interval(std::int32_t ms) override {
        interval = ms;
        writes.push_back("Interval=" + std::to_string(ms));
    }
    void SetControlEnabled(InputControl c, bool on) override {
        enabled[c] = on;
        writes.push_back(std::string(ControlName(c)) + (on ? " enabled" : " disabled"));
    }
    void ClearPicture1() override { writes.push_back("Cls"); }
    DrawingSurface& Picture1() override { return picture; }

private:
    template <typename V>
    V Read(std::string name, V value) {
        reads.push_back(std::move(name));
        return value;
    }
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

    // Files prefix+first..prefix+last with the extension, inputs typed for that range.
    void Prepare(int first, int last, std::string_view prefix = "img", std::int32_t typeIndex = 2) {
        for (std::int64_t n = first; n <= last; ++n)
            files.AddFile(kFolder, T(prefix) + DecimalText(n) + u"." + form.list[typeIndex]);
        form.label1 = kFolder;
        form.text1[0] = T(prefix);
        form.text1[2] = DecimalText(first);
        form.text1[3] = DecimalText(last);
        form.listIndex = typeIndex;
    }
    void Click() { RunStartStop(state, form, platform); }
};

}  // namespace kino::test
