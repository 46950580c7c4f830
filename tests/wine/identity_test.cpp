// The program file's identity (version record, icon, manifest) and the window at the display's dpi.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/layout.h"
#include "base/win_handles.h"
#include "base/win_text.h"
#include "form_fixture.h"
#include "imaging/picture_box_win.h"

namespace kino::test {
namespace {

#ifdef _WIN64
constexpr char kArchitecture[] = "amd64";
#else
constexpr char kArchitecture[] = "x86";
#endif

// Kinoreel.exe is built next to the test program.
std::wstring ProgramPath() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"Kinoreel.exe";
}

// ---- Version record -------------------------------------------------------------------------

class VersionRecord {
public:
    explicit VersionRecord(const std::wstring& file) {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
        if (size == 0) return;
        data_.resize(size);
        if (!GetFileVersionInfoW(file.c_str(), 0, size, data_.data())) data_.clear();
    }
    bool Present() const { return !data_.empty(); }

    // The value at a path of the record, with its length in the record's units.
    const void* Value(const std::wstring& path, UINT* length = nullptr) const {
        void* value = nullptr;
        UINT size = 0;
        if (data_.empty() || !VerQueryValueW(data_.data(), path.c_str(), &value, &size)) return nullptr;
        if (length) *length = size;
        return value;
    }
    // A text of the 0804/04B0 table; "<missing>" when the record lacks it.
    Text String(const wchar_t* name) const {
        const auto* value = static_cast<const wchar_t*>(Value(std::wstring(L"\\StringFileInfo\\080404B0\\") + name));
        return value ? FromWide(value) : Text(u"<missing>");
    }

private:
    std::vector<std::uint8_t> data_;
};

TEST(ProgramFile, VersionRecordNamesKinoreel100InSimplifiedChinese) {
    VersionRecord record(ProgramPath());
    ASSERT_TRUE(record.Present()) << "no version record in Kinoreel.exe";

    EXPECT_EQ(record.String(L"ProductName"), u"Kinoreel");
    EXPECT_EQ(record.String(L"FileDescription"), u"Kinoreel");
    EXPECT_EQ(record.String(L"InternalName"), u"Kinoreel");
    EXPECT_EQ(record.String(L"OriginalFilename"), u"Kinoreel.exe");
    EXPECT_EQ(record.String(L"FileVersion"), u"1.00");
    EXPECT_EQ(record.String(L"ProductVersion"), u"1.00");
    const Text notice = record.String(L"LegalCopyright");
    EXPECT_NE(notice, u"<missing>");
    EXPECT_FALSE(notice.empty());
    EXPECT_NE(notice.find(u"Kinoreel"), Text::npos) << "the notice names the program";

    UINT length = 0;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(record.Value(L"\\", &length));
    ASSERT_NE(fixed, nullptr);
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1)) << "1.0";
    EXPECT_EQ(fixed->dwFileVersionLS, 0u) << ".0.0";
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u) << "a release: no debug, pre-release or patched flag";

    // One language, Chinese (Simplified, PRC), in Unicode.
    const auto* translation = static_cast<const WORD*>(record.Value(L"\\VarFileInfo\\Translation", &length));
    ASSERT_NE(translation, nullptr);
    ASSERT_EQ(length, 2 * sizeof(WORD));
    EXPECT_EQ(translation[0], 0x0804);
    EXPECT_EQ(translation[1], 0x04B0);
}

// ---- Resources read from the file, as Explorer reads them ------------------------------------

using UniqueModule = UniqueAny<HMODULE, FreeLibrary>;

std::string_view ResourceBytes(HMODULE module, const wchar_t* type, const wchar_t* name) {
    HRSRC found = FindResourceW(module, name, type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    return bytes ? std::string_view(static_cast<const char*>(bytes), SizeofResource(module, found)) : std::string_view();
}

class ProgramResources : public ::testing::Test {
protected:
    UniqueModule module{LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)};
};

#pragma pack(push, 2)
struct IconGroupEntry {  // one image of an RT_GROUP_ICON directory
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)
static_assert(sizeof(IconGroupEntry) == 14);

std::uint32_t BigEndian32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
}

TEST_F(ProgramResources, IconHasFiveImagesSmallOnesWithAlphaAndTheLargestAsPng) {
    ASSERT_TRUE(module) << "Kinoreel.exe can't be opened for its resources";
    const std::string_view group = ResourceBytes(module.get(), RT_GROUP_ICON, MAKEINTRESOURCEW(1));
    ASSERT_GE(group.size(), 6u) << "no icon 1";
    WORD header[3];
    std::memcpy(header, group.data(), sizeof header);
    EXPECT_EQ(header[1], 1) << "an icon, not a cursor";
    ASSERT_EQ(header[2], 5) << "five images";
    ASSERT_EQ(group.size(), 6 + 5 * sizeof(IconGroupEntry));

    std::map<int, IconGroupEntry> bySize;
    for (int i = 0; i < 5; ++i) {
        IconGroupEntry entry;
        std::memcpy(&entry, group.data() + 6 + i * sizeof entry, sizeof entry);
        const int size = entry.width == 0 ? 256 : entry.width;
        EXPECT_EQ(entry.height == 0 ? 256 : entry.height, size);
        bySize[size] = entry;
    }
    ASSERT_EQ(bySize.size(), 5u) << "five different sizes";

    const char kPngSignature[] = "\x89PNG\r\n\x1a\n";
    for (int size : {16, 24, 32, 48, 256}) {
        SCOPED_TRACE(size);
        ASSERT_EQ(bySize.count(size), 1u);
        const IconGroupEntry& entry = bySize[size];
        EXPECT_EQ(entry.bitCount, 32);
        const std::string_view image = ResourceBytes(module.get(), RT_ICON, MAKEINTRESOURCEW(entry.id));
        ASSERT_EQ(image.size(), entry.bytes);
        ASSERT_GE(image.size(), 40u);
        const bool isPng = image.substr(0, 8) == std::string_view(kPngSignature, 8);
        if (size == 256) {
            ASSERT_TRUE(isPng) << "the 256 px image is stored as PNG";
            EXPECT_EQ(image.substr(12, 4), "IHDR");
            EXPECT_EQ(BigEndian32(image.data() + 16), 256u);
            EXPECT_EQ(BigEndian32(image.data() + 20), 256u);
            EXPECT_EQ(image[24], 8) << "8 bits per channel";
            EXPECT_EQ(image[25], 6) << "RGBA";
            continue;
        }
        ASSERT_FALSE(isPng) << "small images are bitmaps";
        BITMAPINFOHEADER info;
        std::memcpy(&info, image.data(), sizeof info);
        EXPECT_EQ(info.biSize, sizeof info);
        EXPECT_EQ(info.biWidth, size);
        EXPECT_EQ(info.biHeight, 2 * size) << "colour and mask";
        EXPECT_EQ(info.biBitCount, 32);
        EXPECT_EQ(info.biCompression, static_cast<DWORD>(BI_RGB));
        const std::size_t colourBytes = std::size_t(size) * size * 4;
        const std::size_t maskBytes = std::size_t((size + 31) / 32 * 4) * size;
        ASSERT_EQ(image.size(), sizeof info + colourBytes + maskBytes);
        // The alpha channel is used: transparent corners, an opaque body, soft edges.
        int clear = 0, opaque = 0, partial = 0;
        for (std::size_t i = 0; i < colourBytes; i += 4) {
            const auto alpha = static_cast<unsigned char>(image[sizeof info + i + 3]);
            (alpha == 0 ? clear : alpha == 255 ? opaque : partial) += 1;
        }
        EXPECT_GT(clear, size * size / 5);
        EXPECT_GT(opaque, size * size / 5);
        EXPECT_GT(partial, 0);
    }

    // The system picks each size from the directory.
    for (int size : {16, 24, 32, 48, 256}) {
        SCOPED_TRACE(size);
        UniqueIcon icon(static_cast<HICON>(LoadImageW(module.get(), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0)));
        ASSERT_TRUE(icon);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon.get(), &info));
        UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
        BITMAP bitmap{};
        ASSERT_NE(GetObjectW(colour.get(), sizeof bitmap, &bitmap), 0);
        EXPECT_EQ(bitmap.bmWidth, size);
        EXPECT_EQ(bitmap.bmHeight, size);
    }
}

// The attributes of every <assemblyIdentity .../> of a manifest, in document order.
std::vector<std::map<std::string, std::string>> AssemblyIdentities(std::string_view xml) {
    std::vector<std::map<std::string, std::string>> found;
    for (std::size_t at = xml.find("<assemblyIdentity"); at != std::string_view::npos;
         at = xml.find("<assemblyIdentity", at + 1)) {
        const std::string_view tag = xml.substr(at, xml.find('>', at) - at);
        std::map<std::string, std::string> attributes;
        for (std::size_t eq = tag.find("=\""); eq != std::string_view::npos; eq = tag.find("=\"", eq + 1)) {
            const std::size_t nameStart = tag.find_last_of(" \t\r\n", eq) + 1;
            const std::size_t valueEnd = tag.find('"', eq + 2);
            attributes[std::string(tag.substr(nameStart, eq - nameStart))] = std::string(tag.substr(eq + 2, valueEnd - eq - 2));
        }
        found.push_back(attributes);
    }
    return found;
}

TEST_F(ProgramResources, ManifestNamesCommonControls6AndTheProgramItselfForThisArchitecture) {
    ASSERT_TRUE(module);
    const std::string_view manifest = ResourceBytes(module.get(), RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty()) << "no manifest 1";
    const auto identities = AssemblyIdentities(manifest);
    ASSERT_EQ(identities.size(), 2u) << "the program's own identity and one dependency";

    auto program = identities[0];
    EXPECT_EQ(program["name"], "Kinoreel");
    EXPECT_EQ(program["version"], "1.0.0.0");
    EXPECT_EQ(program["type"], "win32");
    EXPECT_EQ(program["processorArchitecture"], kArchitecture);

    auto controls = identities[1];
    EXPECT_EQ(controls["name"], "Microsoft.Windows.Common-Controls");
    EXPECT_EQ(controls["version"], "6.0.0.0");
    EXPECT_EQ(controls["type"], "win32");
    EXPECT_EQ(controls["processorArchitecture"], kArchitecture);
    EXPECT_EQ(controls["publicKeyToken"], "6595b64144ccf1df");
    EXPECT_NE(manifest.find("<dependentAssembly>"), std::string_view::npos);

    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string_view::npos) << "per-monitor aware before Windows 10";
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string_view::npos);
}

// The test program carries the same resources, so its window shows what the program's does.
TEST(ProgramWindow, UsesTheProgramIconAndVersion6CommonControls) {
    FormFixture ui;
    ASSERT_NE(ui.Form(), nullptr);
    for (int which : {GCLP_HICON, GCLP_HICONSM}) {
        SCOPED_TRACE(which == GCLP_HICON ? "large" : "small");
        const int size = GetSystemMetrics(which == GCLP_HICON ? SM_CXICON : SM_CXSMICON);
        auto icon = reinterpret_cast<HICON>(GetClassLongPtrW(ui.Form(), which));
        ASSERT_NE(icon, nullptr);
        UniqueIcon own(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0)));
        ASSERT_TRUE(own);
        // Same pixels as the program's icon at that size (not the system's default icon).
        auto pixels = [size](HICON of) {
            std::vector<std::uint32_t> bits(std::size_t(size) * size);
            UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
            BITMAPINFO info{};
            info.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
            void* data = nullptr;
            UniqueBitmap target(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &data, nullptr, 0));
            SelectObjectScope select(dc.get(), target.get());
            RECT all{0, 0, size, size};
            FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            DrawIconEx(dc.get(), 0, 0, of, size, size, 0, nullptr, DI_NORMAL);
            GdiFlush();
            std::memcpy(bits.data(), data, bits.size() * 4);
            return bits;
        };
        const auto shown = pixels(icon), expected = pixels(own.get());
        EXPECT_TRUE(shown == expected);
        EXPECT_NE(shown, std::vector<std::uint32_t>(shown.size(), 0x00FFFFFF)) << "the icon draws something";
    }

    // The manifest took effect: comctl32 comes from the side-by-side store, and a button knows
    // a message that only version 6 has.
    ACTCTX_SECTION_KEYED_DATA redirection{};
    redirection.cbSize = sizeof redirection;
    EXPECT_TRUE(FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll",
                                         &redirection));
    SIZE ideal{};
    EXPECT_TRUE(SendMessageW(ui.Item(IdCommand1), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
    EXPECT_GT(ideal.cx, 0);
}

// ---- The window at the display's dpi ---------------------------------------------------------

// The dpi the display is set to: KINO_EXPECT_DPI when the test run sets it, else the screen's.
int ExpectedDpi() {
    wchar_t value[16] = {};
    if (GetEnvironmentVariableW(L"KINO_EXPECT_DPI", value, 16) > 0) return _wtoi(value);
    WindowDc screen(nullptr);
    return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

// 96-dpi pixels scaled to dpi; the layout is in twips, so allow one pixel of rounding.
int Scaled(int pixelsAt96, int dpi) { return MulDiv(pixelsAt96, dpi, 96); }

RECT WindowRectIn(HWND control, HWND container) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, container, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class DpiLayout : public ::testing::Test {
protected:
    // Every control at its 96-dpi rectangle scaled to dpi, every font at 9 pt at dpi, Picture1's
    // memory image as large as its client area.
    void ExpectLaidOutAt(int dpi) {
        EXPECT_EQ(Form1Dpi(ui.Form()), dpi);
        RECT client{};
        GetClientRect(ui.Form(), &client);
        EXPECT_EQ(client.right, Scaled(568, dpi));
        EXPECT_EQ(client.bottom, Scaled(380, dpi));
        for (const ControlSpec& entry : ControlTable()) {
            SCOPED_TRACE(entry.name);
            HWND control = ui.Item(entry.id);
            const PixelRect at96 = PixelRectOf(entry, 96);
            const RECT got = WindowRectIn(control, entry.parent == IdNone ? ui.Form() : ui.Item(entry.parent));
            EXPECT_NEAR(got.left, Scaled(at96.left, dpi), 1);
            EXPECT_NEAR(got.top, Scaled(at96.top, dpi), 1);
            if (!entry.autoSize) {  // self-sizing labels follow their captions instead
                EXPECT_NEAR(got.right - got.left, Scaled(at96.width, dpi), 1);
                EXPECT_NEAR(got.bottom - got.top, Scaled(at96.height, dpi), 1);
            } else {
                EXPECT_NEAR(got.right - got.left, WindowText(control).empty() ? Scaled(at96.width, dpi)
                                                                               : TextWidthIn(control, WindowText(control)), 1);
            }
            if (entry.kind == ControlKind::HScrollBar || entry.kind == ControlKind::PictureBox) continue;
            LOGFONTW font{};
            ASSERT_NE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font), 0);
            EXPECT_EQ(font.lfHeight, -MulDiv(9, dpi, 72));
        }
        HWND picture = ui.Item(IdPicture1);
        RECT box{};
        GetClientRect(picture, &box);
        EXPECT_GE(box.right, Scaled(256, dpi) - 2 * GetSystemMetrics(SM_CXEDGE) - 1) << "only the border is outside";
        BITMAP image{};
        ASSERT_NE(GetObjectW(GetCurrentObject(PictureBoxDc(picture), OBJ_BITMAP), sizeof image, &image), 0);
        EXPECT_EQ(image.bmWidth, box.right);
        EXPECT_EQ(image.bmHeight, box.bottom);
    }

    // What the window system sends when the window moves to a display of another dpi: the new
    // dpi and the window's rectangle scaled to it.
    void MoveToDpi(int dpi) {
        RECT window{};
        GetWindowRect(ui.Form(), &window);
        const int old = Form1Dpi(ui.Form());
        RECT suggested{window.left, window.top, window.left + MulDiv(window.right - window.left, dpi, old),
                       window.top + MulDiv(window.bottom - window.top, dpi, old)};
        SendMessageW(ui.Form(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        ui.Pump(20);
    }

    FormFixture ui;
};

TEST_F(DpiLayout, WindowIsLaidOutAtTheDisplayDpi) {
    const int dpi = ExpectedDpi();
    ASSERT_GE(dpi, 96);
    ExpectLaidOutAt(dpi);
    if (dpi == 144) {  // the figures of a 150 % display, written out
        RECT client{};
        GetClientRect(ui.Form(), &client);
        EXPECT_EQ(client.right, 852);
        EXPECT_EQ(client.bottom, 570);
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(ui.Item(IdCommand2), WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_EQ(font.lfHeight, -18);
        const RECT picture = WindowRectIn(ui.Item(IdPicture1), ui.Form());
        EXPECT_EQ(picture.right - picture.left, 384);
        EXPECT_EQ(picture.bottom - picture.top, 384);
    }

    // The process sees real pixels, so the system doesn't stretch its bitmap (Windows 10 also
    // tells which kind of awareness).
    EXPECT_TRUE(IsProcessDPIAware());
    using GetContext = HANDLE(WINAPI*)();
    using AwarenessOf = int(WINAPI*)(HANDLE);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    auto context = reinterpret_cast<GetContext>(reinterpret_cast<void*>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
    auto awareness = reinterpret_cast<AwarenessOf>(reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    if (context && awareness) {
        EXPECT_EQ(awareness(context()), 2) << "per-monitor aware";
    }
}

TEST_F(DpiLayout, MovingToADisplayOfAnotherDpiLaysTheWindowOutAgain) {
    const int start = Form1Dpi(ui.Form());
    const int other = start == 96 ? 144 : 96;
    ui.SetText(IdLabel1, L"C:\\帧序列\\walk");
    MoveToDpi(other);
    ExpectLaidOutAt(other);
    MoveToDpi(start);
    ExpectLaidOutAt(start);
}

}  // namespace
}  // namespace kino::test
