// The GDI+ session, image loading and drawing, the picture box and the image service, on real
// GDI+ and real files.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>

#include "base/message_box.h"
#include "base/win_text.h"
#include "gdiplus_fixture.h"
#include "imaging/gdiplus2_win.h"
#include "imaging/image_service_win.h"
#include "imaging/picture_box_win.h"
#include "test_support.h"

namespace kino::test {
namespace {

using gdip::GpStatus;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 200, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr char16_t kStartMessage[] = u"GDI+ 初始化错误。程序即将关闭。";
constexpr char16_t kStartTitle[] = u"初始化错误";

std::uint32_t Rgb(COLORREF colour) { return ArgbOf(colour) & 0xFFFFFF; }

// ---------------------------------------------------------------------------------------------
// A child run of this program: when KINO_GDIPLUS_CHILD is set, it starts GDI+ the way the window
// does and writes every box it would show into the file named by KINO_BOX_FILE, before any
// test runs. The parent reads the exit code and the file.

GpStatus FailingStartup(ULONG_PTR* token, const gdip::GdiplusStartupInput*, void*) {
    *token = 0;
    return gdip::Win32Error;
}

std::wstring EnvironmentValue(const wchar_t* name) {
    wchar_t buffer[1024];
    DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
    return length > 0 && length < 1024 ? std::wstring(buffer, length) : std::wstring();
}

int WriteBoxToFile(HWND, TextView text, TextView title, unsigned style) {
    std::ofstream out(EnvironmentValue(L"KINO_BOX_FILE").c_str(), std::ios::binary | std::ios::app);
    out << Utf8FromText(text) << '\n' << Utf8FromText(title) << '\n' << style << '\n';
    return IDOK;
}

bool RunChildIfAsked() {
    const std::wstring mode = EnvironmentValue(L"KINO_GDIPLUS_CHILD");
    if (mode.empty()) return false;
    SetMessageBoxFunction(WriteBoxToFile);
    if (mode == L"failing-start") {
        const GdiplusSessionFunctions failing{FailingStartup, gdip::GdiplusShutdown};
        SetGdiplusSessionFunctions(&failing);
    } else if (mode == L"no-library") {
        // Everything else must fail quietly too, without the library.
        MemorySurface surface(8, 8);
        if (LoadImageFile(u"C:\\nothing.png") != 0) ExitProcess(201);
        DrawImageZoomed(surface, 0, 0, 0, 1.0f);
        if (surface.refreshes != 1) ExitProcess(202);
    }
    InitGDIPlus(true, true, kStartMessage, 16, kStartTitle);
    ExitProcess(200);  // not reached: the failed start ends the process
}

const bool g_isChild = RunChildIfAsked();

struct ChildRun {
    DWORD exitCode = 0;
    std::string boxes;
};

// Wine's per-program setting that keeps a DLL from loading (Windows has no such key).
class DisabledLibraryForProgram {
public:
    DisabledLibraryForProgram(const std::wstring& program, const wchar_t* library)
        : key_(L"Software\\Wine\\AppDefaults\\" + program) {
        HKEY overrides = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, (key_ + L"\\DllOverrides").c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &overrides, nullptr) == ERROR_SUCCESS) {
            RegSetValueExW(overrides, library, 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
            RegCloseKey(overrides);
        }
    }
    ~DisabledLibraryForProgram() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }

private:
    std::wstring key_;
};

// Runs a copy of this program in the child mode; without GDI+ when asked.
ChildRun RunChild(const wchar_t* mode, bool withoutGdiplus) {
    TempFolder folder;
    const std::wstring boxFile = folder.File(L"boxes.txt");
    const std::wstring childName = withoutGdiplus ? L"kino-child-without-gdiplus.exe" : L"kino-child.exe";
    const std::wstring child = folder.File(childName);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    ChildRun run;
    EXPECT_TRUE(CopyFileW(self, child.c_str(), FALSE));
    std::optional<DisabledLibraryForProgram> disabled;
    if (withoutGdiplus) disabled.emplace(childName, L"gdiplus");

    SetEnvironmentVariableW(L"KINO_GDIPLUS_CHILD", mode);
    SetEnvironmentVariableW(L"KINO_BOX_FILE", boxFile.c_str());
    std::wstring commandLine = L"\"" + child + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(child.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &startup, &process);
    SetEnvironmentVariableW(L"KINO_GDIPLUS_CHILD", nullptr);
    SetEnvironmentVariableW(L"KINO_BOX_FILE", nullptr);
    EXPECT_TRUE(started);
    if (!started) return run;
    UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    std::ifstream in(boxFile.c_str(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    run.boxes = text.str();
    return run;
}

std::string ExpectedStartBox() { return Utf8FromText(kStartMessage) + "\n" + Utf8FromText(kStartTitle) + "\n16\n"; }

// ---------------------------------------------------------------------------------------------
// The session.

// Counts the calls of the real start and end of GDI+.
int g_startups = 0;
int g_shutdowns = 0;
GpStatus CountingStartup(ULONG_PTR* token, const gdip::GdiplusStartupInput* input, void* output) {
    ++g_startups;
    EXPECT_EQ(input->GdiplusVersion, 1u);
    EXPECT_EQ(input->DebugEventCallback, nullptr);
    EXPECT_FALSE(input->SuppressBackgroundThread);
    EXPECT_FALSE(input->SuppressExternalCodecs);
    EXPECT_EQ(output, nullptr);
    return gdip::GdiplusStartup(token, input, output);
}
void CountingShutdown(ULONG_PTR token) {
    ++g_shutdowns;
    gdip::GdiplusShutdown(token);
}

class GdiplusSession : public ::testing::Test {
protected:
    void SetUp() override {
        TerminateGDIPlus();
        g_startups = g_shutdowns = 0;
        const GdiplusSessionFunctions counting{CountingStartup, CountingShutdown};
        SetGdiplusSessionFunctions(&counting);
    }
    void TearDown() override {
        SetGdiplusSessionFunctions(nullptr);
        TerminateGDIPlus();
    }
    MessageBoxRecorder boxes;
};

TEST_F(GdiplusSession, StartsOnceAndASecondStartChangesNothing) {
    ASSERT_EQ(InitGDIPlus(true, false, kStartMessage, 16, kStartTitle), 0);
    const ULONG_PTR token = GdiplusToken();
    EXPECT_NE(token, 0u);
    EXPECT_EQ(InitGDIPlus(true, true, kStartMessage, 16, kStartTitle), 0);
    EXPECT_EQ(GdiplusToken(), token);
    EXPECT_EQ(g_startups, 1);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(GdiplusSession, EndsOnceAndASecondEndDoesNothing) {
    TerminateGDIPlus();  // no session: GDI+ is not called
    EXPECT_EQ(g_shutdowns, 0);
    ASSERT_EQ(InitGDIPlus(false, false, u"", 16, u""), 0);
    TerminateGDIPlus();
    EXPECT_EQ(GdiplusToken(), 0u);
    EXPECT_EQ(g_shutdowns, 1);
    TerminateGDIPlus();
    EXPECT_EQ(g_shutdowns, 1);
    // The registries hold nothing and stay at 0.
    EXPECT_EQ(PenCount + BrushCount + StringFormatCount + MatrixCount, 0);
    EXPECT_TRUE(PenList.empty() && BrushList.empty() && StringFormatList.empty() && MatrixList.empty());
    // A new session can start after the end of one.
    EXPECT_EQ(InitGDIPlus(false, false, u"", 16, u""), 0);
    EXPECT_NE(GdiplusToken(), 0u);
}

TEST_F(GdiplusSession, ReleasingTheEmptyRegistriesOnlyResetsTheCounts) {
    ReleaseDrawingObjects();
    EXPECT_EQ(PenCount + BrushCount + StringFormatCount + MatrixCount, 0);
    EXPECT_TRUE(PenList.empty());
}

TEST_F(GdiplusSession, FailedStartIsSilentWhenNotAskedToTell) {
    const GdiplusSessionFunctions failing{FailingStartup, CountingShutdown};
    SetGdiplusSessionFunctions(&failing);
    EXPECT_EQ(InitGDIPlus(false, false, kStartMessage, 16, kStartTitle), gdip::Win32Error);
    EXPECT_EQ(GdiplusToken(), 0u);
    EXPECT_TRUE(boxes.Boxes().empty());
    TerminateGDIPlus();  // there is no session to end
    EXPECT_EQ(g_shutdowns, 0);
}

TEST_F(GdiplusSession, FailedStartShowsTheGivenBoxAndReturnsTheStatus) {
    const GdiplusSessionFunctions failing{FailingStartup, CountingShutdown};
    SetGdiplusSessionFunctions(&failing);
    EXPECT_EQ(InitGDIPlus(true, false, kStartMessage, 16, kStartTitle), gdip::Win32Error);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, kStartMessage);
    EXPECT_EQ(boxes.Boxes()[0].title, kStartTitle);
    EXPECT_EQ(boxes.Boxes()[0].style, 16u);
    EXPECT_EQ(GdiplusToken(), 0u);
}

TEST(GdiplusSessionEnd, FailedStartShowsTheBoxThenEndsTheProcess) {
    const ChildRun run = RunChild(L"failing-start", false);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(gdip::Win32Error));
    EXPECT_EQ(run.boxes, ExpectedStartBox());
}

TEST(GdiplusSessionEnd, MissingLibraryIsAFailedStart) {
    const ChildRun run = RunChild(L"no-library", true);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(gdip::GdiplusNotInitialized));
    EXPECT_EQ(run.boxes, ExpectedStartBox());
}

// ---------------------------------------------------------------------------------------------
// Loading.

class LoadImageFileTest : public GdiplusTest {
protected:
    // Loads the file and disposes the image at the end of the test.
    ImageRef Load(const std::wstring& path) {
        ImageRef image = LoadImageFile(FromWide(path.c_str()));
        if (image) loaded_.push_back(image);
        return image;
    }
    void TearDown() override {
        for (ImageRef image : loaded_) gdip::GdipDisposeImage(reinterpret_cast<gdip::GpImage*>(image));
    }
    gdip::PixelFormat FormatOf(ImageRef image) {
        gdip::PixelFormat format = 0;
        gdip::GdipGetImagePixelFormat(reinterpret_cast<gdip::GpImage*>(image), &format);
        return format;
    }
    TempFolder folder;
    MessageBoxRecorder boxes;

private:
    std::vector<ImageRef> loaded_;
};

TEST_F(LoadImageFileTest, FilesThatAreNoImagesGiveNoImageAndNoBox) {
    WriteBytes(folder.File(L"text.png"), "This is not an image at all.\r\n");
    WriteBytes(folder.File(L"empty.png"), "");
    const std::string png = PngBytes(40, 30, SolidPixels(40, 30, ArgbOf(kRed)));
    WriteBytes(folder.File(L"cut.png"), std::string_view(png).substr(0, png.size() / 2));
    WriteBytes(folder.File(L"header.png"), std::string_view(png).substr(0, 33));
    const std::string bmp = BmpBytes(40, 30, SolidPixels(40, 30, ArgbOf(kRed)));
    WriteBytes(folder.File(L"cut.bmp"), std::string_view(bmp).substr(0, 60));
    CreateDirectoryW(folder.File(L"folder.png").c_str(), nullptr);

    EXPECT_EQ(LoadImageFile(u""), 0u);
    EXPECT_EQ(Load(folder.File(L"missing.png")), 0u);
    EXPECT_EQ(Load(folder.File(L"text.png")), 0u);
    EXPECT_EQ(Load(folder.File(L"empty.png")), 0u);
    EXPECT_EQ(Load(folder.File(L"cut.png")), 0u);
    EXPECT_EQ(Load(folder.File(L"header.png")), 0u);
    EXPECT_EQ(Load(folder.File(L"cut.bmp")), 0u);
    EXPECT_EQ(Load(folder.File(L"folder.png")), 0u);
    EXPECT_EQ(LoadImageFile(FromWide(folder.File(L"text.png").c_str()) + Text(1, u'\0') + u"x"), 0u);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(LoadImageFileTest, TruncatedJpegGivesNoImageOrAWholeOne) {
    const std::wstring whole = folder.File(L"whole.jpg");
    WriteSolidJpeg(whole, 64, 48, kBlue);
    std::ifstream in(whole.c_str(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    WriteBytes(folder.File(L"cut.jpg"), std::string_view(bytes).substr(0, bytes.size() / 2));
    // A decoder may fill the missing part in; then the image has its full size and draws.
    const ImageRef image = Load(folder.File(L"cut.jpg"));
    if (image != 0) {
        int width = 0, height = 0;
        EXPECT_FALSE(ImagePixels(image, &width, &height).empty());
        EXPECT_EQ(width, 64);
        EXPECT_EQ(height, 48);
    }
}

std::string HugeBmpHeader() {
    std::string bmp = BmpBytes(1, 1, SolidPixels(1, 1, 0xFF000000));
    const std::uint32_t side = 60000;
    for (int offset : {18, 22}) {
        for (int i = 0; i < 4; ++i) bmp[offset + i] = static_cast<char>((side >> (8 * i)) & 0xFF);
    }
    return bmp;
}

TEST_F(LoadImageFileTest, ImagesTooLargeToHoldGiveNoImage) {
    WriteBytes(folder.File(L"huge.bmp"), HugeBmpHeader());
    std::string png = PngBytes(1, 1, SolidPixels(1, 1, 0xFF000000));
    // IHDR's width and height at bytes 16 and 20: a damaged file (its CRC no longer fits) and a
    // well-formed one whose pixel data is far too short.
    for (int offset : {16, 20}) {
        png[offset] = 0;
        png[offset + 1] = 0;
        png[offset + 2] = static_cast<char>(0xEA);
        png[offset + 3] = 0x60;  // 60000
    }
    WriteBytes(folder.File(L"huge-crc.png"), png);
    const std::uint32_t crc = Crc32(std::string_view(png).substr(12, 17));  // "IHDR" and its data
    for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<char>((crc >> (24 - 8 * i)) & 0xFF);
    WriteBytes(folder.File(L"huge.png"), png);
    EXPECT_EQ(Load(folder.File(L"huge.bmp")), 0u);
    EXPECT_EQ(Load(folder.File(L"huge.png")), 0u);
    EXPECT_EQ(Load(folder.File(L"huge-crc.png")), 0u);
}

TEST_F(LoadImageFileTest, OpaqueImagesBecomeDecodedRgbCopies) {
    Pixels pattern(30 * 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) pattern[y * 30 + x] = 0xFF000000u | (x * 8u << 16) | (y * 12u << 8) | 0x40u;
    WritePng(folder.File(L"p.png"), 30, 20, pattern);
    WriteBmp(folder.File(L"p.bmp"), 30, 20, pattern);
    WriteBytes(folder.File(L"p32.bmp"), BmpBytes(30, 20, pattern, 32));
    WritePng(folder.File(L"rgba.png"), 30, 20, pattern, true);  // declares alpha, uses none
    for (const wchar_t* name : {L"p.png", L"p.bmp", L"p32.bmp", L"rgba.png"}) {
        SCOPED_TRACE(testing::Message() << "file " << Utf8FromText(FromWide(name)));
        const ImageRef image = Load(folder.File(name));
        ASSERT_NE(image, 0u);
        EXPECT_EQ(FormatOf(image), gdip::PixelFormat32bppRGB);
        int width = 0, height = 0;
        EXPECT_EQ(ImagePixels(image, &width, &height), pattern);
        EXPECT_EQ(width, 30);
        EXPECT_EQ(height, 20);
    }
    const ImageRef jpeg = [&] {
        WriteSolidJpeg(folder.File(L"j.jpg"), 16, 16, kGreen);
        return Load(folder.File(L"j.jpg"));
    }();
    ASSERT_NE(jpeg, 0u);
    EXPECT_EQ(FormatOf(jpeg), gdip::PixelFormat32bppRGB);
}

TEST_F(LoadImageFileTest, TransparentImagesKeepTheirAlpha) {
    Pixels pixels = SolidPixels(8, 8, 0x80FF0000);
    pixels[0] = 0x00000000;
    WritePng(folder.File(L"alpha.png"), 8, 8, pixels, true);
    const ImageRef image = Load(folder.File(L"alpha.png"));
    ASSERT_NE(image, 0u);
    EXPECT_EQ(FormatOf(image), gdip::PixelFormat32bppPARGB);
    const Pixels read = ImagePixels(image);
    ASSERT_EQ(read.size(), 64u);
    EXPECT_EQ(read[0] >> 24, 0u);
    EXPECT_NEAR(static_cast<int>(read[1] >> 24), 0x80, 1);
    EXPECT_NEAR(static_cast<int>((read[1] >> 16) & 0xFF), 0xFF, 2);

    // A palette image with a see-through entry.
    WriteBytes(folder.File(L"indexed.png"),
               IndexedPngBytes(4, 1, {0x00000000, 0xFF0000FF}, std::vector<std::uint8_t>{0, 1, 1, 0}));
    const ImageRef indexed = Load(folder.File(L"indexed.png"));
    ASSERT_NE(indexed, 0u);
    EXPECT_EQ(FormatOf(indexed), gdip::PixelFormat32bppPARGB);
    const Pixels indexedRead = ImagePixels(indexed);
    ASSERT_EQ(indexedRead.size(), 4u);
    EXPECT_EQ(indexedRead[0] >> 24, 0u);
    EXPECT_EQ(indexedRead[1], 0xFF0000FFu);

    // A see-through palette entry that no pixel uses leaves the image opaque.
    WriteBytes(folder.File(L"unused.png"),
               IndexedPngBytes(2, 1, {0xFF00FF00, 0xFF0000FF, 0x00000000}, std::vector<std::uint8_t>{0, 1}));
    const ImageRef unused = Load(folder.File(L"unused.png"));
    ASSERT_NE(unused, 0u);
    EXPECT_EQ(FormatOf(unused), gdip::PixelFormat32bppRGB);
    EXPECT_EQ(ImagePixels(unused), (Pixels{0xFF00FF00, 0xFF0000FF}));

    // A GIF with a transparent colour.
    WriteBytes(folder.File(L"clear.gif"), GifBytes(3, 1, {0xFF00FF00, 0x00000000}, std::vector<std::uint8_t>{0, 1, 0}));
    const ImageRef gif = Load(folder.File(L"clear.gif"));
    ASSERT_NE(gif, 0u);
    EXPECT_EQ(FormatOf(gif), gdip::PixelFormat32bppPARGB);
    const Pixels gifRead = ImagePixels(gif);
    ASSERT_EQ(gifRead.size(), 3u);
    EXPECT_EQ(gifRead[0], 0xFF00FF00u);
    EXPECT_EQ(gifRead[1] >> 24, 0u);

    // The same palette fully opaque stays RGB.
    WriteBytes(folder.File(L"opaque-indexed.png"),
               IndexedPngBytes(2, 1, {0xFF00FF00, 0xFF0000FF}, std::vector<std::uint8_t>{0, 1}));
    const ImageRef opaque = Load(folder.File(L"opaque-indexed.png"));
    ASSERT_NE(opaque, 0u);
    EXPECT_EQ(FormatOf(opaque), gdip::PixelFormat32bppRGB);
}

TEST_F(LoadImageFileTest, LoadedFilesCanBeDeletedOrRenamedAndStillDraw) {
    WriteSolidPng(folder.File(L"a.png"), 20, 10, kRed);
    WriteSolidBmp(folder.File(L"b.bmp"), 20, 10, kGreen);
    WriteSolidJpeg(folder.File(L"c.jpg"), 20, 10, kBlue);
    const ImageRef a = Load(folder.File(L"a.png"));
    const ImageRef b = Load(folder.File(L"b.bmp"));
    const ImageRef c = Load(folder.File(L"c.jpg"));
    ASSERT_TRUE(a && b && c);
    EXPECT_TRUE(DeleteFileW(folder.File(L"a.png").c_str())) << GetLastError();
    EXPECT_TRUE(MoveFileW(folder.File(L"b.bmp").c_str(), folder.File(L"moved.bmp").c_str())) << GetLastError();
    // Overwriting needs the file free for writing, too.
    EXPECT_NO_THROW(WriteBytes(folder.File(L"c.jpg"), "replaced"));

    MemorySurface surface(64, 16);
    DrawImageZoomed(surface, a, 0, 0, 1.0f);
    DrawImageZoomed(surface, b, 20, 0, 1.0f);
    DrawImageZoomed(surface, c, 40, 0, 1.0f);
    EXPECT_EQ(surface.Pixel(5, 5), Rgb(kRed));
    EXPECT_EQ(surface.Pixel(25, 5), Rgb(kGreen));
    const std::uint32_t blue = surface.Pixel(45, 5);
    EXPECT_LT((blue >> 16) & 0xFF, 16u);
    EXPECT_GT(blue & 0xFF, 230u);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(LoadImageFileTest, NamesOutsideTheCodePageLoad) {
    const std::wstring name = folder.File(L"\u5E27\u03A9.png");  // 帧Ω.png
    WriteSolidPng(name, 5, 5, kGreen);
    const ImageRef image = Load(name);
    ASSERT_NE(image, 0u);
    EXPECT_EQ(ImagePixels(image)[0], ArgbOf(kGreen));
}

TEST_F(LoadImageFileTest, AMetafileUnderAnImageNameIsDrawnIntoItsBitmap) {
    const std::wstring path = folder.File(L"meta.png");
    HDC recorder = CreateEnhMetaFileW(nullptr, path.c_str(), nullptr, nullptr);
    ASSERT_NE(recorder, nullptr);
    HBRUSH red = CreateSolidBrush(kRed);
    const RECT box{0, 0, 40, 30};
    FillRect(recorder, &box, red);
    DeleteObject(red);
    DeleteEnhMetaFile(CloseEnhMetaFile(recorder));
    const ImageRef image = Load(path);
    ASSERT_NE(image, 0u);
    int width = 0, height = 0;
    const Pixels pixels = ImagePixels(image, &width, &height);
    ASSERT_GT(width, 4);
    ASSERT_GT(height, 4);
    EXPECT_EQ(pixels[(height / 2) * width + width / 2] & 0xFFFFFF, Rgb(kRed));
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

// ---------------------------------------------------------------------------------------------
// Drawing.

class DrawImageZoomedTest : public LoadImageFileTest {
protected:
    ImageRef RedImage100x50() {
        WriteSolidPng(folder.File(L"red.png"), 100, 50, kRed);
        return Load(folder.File(L"red.png"));
    }
};

TEST_F(DrawImageZoomedTest, ZoomNotAboveZeroShowsTheParameterBoxAndTouchesNothing) {
    const ImageRef image = RedImage100x50();
    ASSERT_NE(image, 0u);
    for (float zoom : {0.0f, -0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(),
                       -std::numeric_limits<float>::infinity()}) {
        SCOPED_TRACE(testing::Message() << "zoom " << zoom);
        MemorySurface surface(256, 256);
        boxes.Clear();
        DrawImageZoomed(surface, image, 0, 0, zoom);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, u"出现参数错误：Zoom的值应大于0。");
        EXPECT_EQ(boxes.Boxes()[0].title, u"GDIPlus2");
        EXPECT_EQ(boxes.Boxes()[0].style, 16u);
        EXPECT_EQ(surface.autoRedrawReads + surface.autoRedrawWrites + surface.hdcReads + surface.refreshes, 0);
        EXPECT_EQ(surface.Pixel(0, 0), kWhite);
        EXPECT_FALSE(surface.autoRedraw);
    }
}

TEST_F(DrawImageZoomedTest, ZoomTwoFillsTwiceTheImageSize) {
    const ImageRef image = RedImage100x50();
    ASSERT_NE(image, 0u);
    MemorySurface surface(256, 256);
    DrawImageZoomed(surface, image, 10, 20, 2.0f);
    EXPECT_TRUE(boxes.Boxes().empty());
    const std::uint32_t red = Rgb(kRed);
    for (auto [x, y] : {std::pair{10, 20}, {209, 20}, {10, 119}, {209, 119}, {110, 70}}) {
        EXPECT_EQ(surface.Pixel(x, y), red) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{9, 20}, {210, 20}, {10, 19}, {10, 120}, {209, 120}, {210, 119}}) {
        EXPECT_EQ(surface.Pixel(x, y), kWhite) << x << "," << y;
    }
    EXPECT_TRUE(surface.autoRedraw);
    EXPECT_EQ(surface.refreshes, 1);
}

TEST_F(DrawImageZoomedTest, ZoomOneDrawsAtPixelSizeWhateverTheFileResolution) {
    WriteSolidBmp(folder.File(L"b.bmp"), 30, 10, kBlue);  // records 72 dpi
    const ImageRef image = Load(folder.File(L"b.bmp"));
    ASSERT_NE(image, 0u);
    MemorySurface surface(64, 32);
    DrawImageZoomed(surface, image, 0, 0, 1.0f);
    EXPECT_EQ(surface.Pixel(29, 9), Rgb(kBlue));
    EXPECT_EQ(surface.Pixel(30, 9), kWhite);
    EXPECT_EQ(surface.Pixel(29, 10), kWhite);
}

TEST_F(DrawImageZoomedTest, NoImageStillSetsAutoRedrawAndRefreshes) {
    MemorySurface surface(16, 16);
    DrawImageZoomed(surface, 0, 0, 0, 1.0f);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_TRUE(surface.autoRedraw);
    EXPECT_EQ(surface.autoRedrawWrites, 1);
    EXPECT_EQ(surface.refreshes, 1);
    EXPECT_EQ(surface.Pixel(8, 8), kWhite);
}

TEST_F(DrawImageZoomedTest, AutoRedrawAlreadyOnIsOnlyRead) {
    const ImageRef image = RedImage100x50();
    MemorySurface surface(128, 64);
    surface.autoRedraw = true;
    DrawImageZoomed(surface, image, 0, 0, 1.0f);
    EXPECT_EQ(surface.autoRedrawReads, 1);
    EXPECT_EQ(surface.autoRedrawWrites, 0);
    EXPECT_EQ(surface.Pixel(50, 25), Rgb(kRed));
}

TEST_F(DrawImageZoomedTest, SurfaceWithoutRefreshDrawsThenShowsTheDrawingBox) {
    const ImageRef image = RedImage100x50();
    MemorySurface surface(128, 64);
    surface.hasRefresh = false;
    DrawImageZoomed(surface, image, 0, 0, 1.0f);
    EXPECT_EQ(surface.Pixel(50, 25), Rgb(kRed));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, u"出现绘制错误。");
    EXPECT_EQ(boxes.Boxes()[0].title, u"GDIPlus2");
    EXPECT_EQ(boxes.Boxes()[0].style, 16u);
}

TEST_F(DrawImageZoomedTest, SurfaceWithoutHdcOrInfiniteSizeShowsTheDrawingBox) {
    const ImageRef image = RedImage100x50();
    MemorySurface noHdc(128, 64);
    noHdc.hasHdc = false;
    DrawImageZoomed(noHdc, image, 0, 0, 1.0f);
    EXPECT_EQ(noHdc.Pixel(50, 25), kWhite);
    EXPECT_EQ(noHdc.refreshes, 0);

    MemorySurface infinite(128, 64);
    DrawImageZoomed(infinite, image, 0, 0, std::numeric_limits<float>::infinity());
    DrawImageZoomed(infinite, 0, 0, 0, std::numeric_limits<float>::infinity());  // side 0 x infinity
    EXPECT_EQ(infinite.refreshes, 0);
    ASSERT_EQ(boxes.Boxes().size(), 3u);
    for (const RecordedBox& box : boxes.Boxes()) EXPECT_EQ(box.text, u"出现绘制错误。");
}

// ---------------------------------------------------------------------------------------------
// The picture box.

class PictureBoxTest : public LoadImageFileTest {
protected:
    // One shown parent for the suite: Wine takes seconds to hide a top-level window without a
    // window manager.
    static void SetUpTestSuite() {
        LoadImageFileTest::SetUpTestSuite();
        parent_ = CreateWindowExW(0, L"STATIC", L"test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 400, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    static void TearDownTestSuite() {
        DestroyWindow(parent_);
        parent_ = nullptr;
        LoadImageFileTest::TearDownTestSuite();
    }
    void SetUp() override {
        ASSERT_NE(parent_, nullptr);
        box_ = CreatePictureBox(parent_, 101, 16, 16, 256, 256, WS_VISIBLE, WS_EX_CLIENTEDGE);
        ASSERT_NE(box_, nullptr);
        Pump();
    }
    void TearDown() override {
        if (IsWindow(box_)) DestroyWindow(box_);
        LoadImageFileTest::TearDown();
    }
    static void Pump() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    SIZE BitmapSize() {
        BITMAP info{};
        GetObjectW(GetCurrentObject(PictureBoxDc(box_), OBJ_BITMAP), sizeof(info), &info);
        return {info.bmWidth, info.bmHeight};
    }
    std::uint32_t ScreenPixel(int x, int y) {
        WindowDc dc(box_);
        return Rgb(GetPixel(dc.get(), x, y));
    }
    static inline HWND parent_ = nullptr;
    HWND box_ = nullptr;
};

TEST_F(PictureBoxTest, HoldsAnImageOfItsClientSizeClearedToTheWindowColour) {
    RECT client;
    GetClientRect(box_, &client);
    EXPECT_EQ(client.right, 252);  // the client edge takes two pixels on each side
    const SIZE size = BitmapSize();
    EXPECT_EQ(size.cx, client.right);
    EXPECT_EQ(size.cy, client.bottom);
    EXPECT_EQ(GetDlgCtrlID(box_), 101);
    EXPECT_EQ(GetParent(box_), parent_);

    HDC dc = PictureBoxDc(box_);
    ASSERT_NE(dc, nullptr);
    HBRUSH red = CreateSolidBrush(kRed);
    const RECT all{0, 0, 252, 252};
    FillRect(dc, &all, red);
    DeleteObject(red);
    PictureBoxCls(box_);
    EXPECT_EQ(GetPixel(dc, 0, 0), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(GetPixel(dc, 251, 251), GetSysColor(COLOR_WINDOW));
    // The cleared box shows as cleared after the next paint.
    Pump();
    EXPECT_EQ(ScreenPixel(100, 100), Rgb(GetSysColor(COLOR_WINDOW)));
}

TEST_F(PictureBoxTest, IsADrawingSurfaceWhoseRefreshShowsTheImage) {
    DrawingSurface* surface = PictureBoxSurface(box_);
    ASSERT_NE(surface, nullptr);
    bool autoRedraw = true;
    EXPECT_TRUE(surface->GetAutoRedraw(autoRedraw));
    EXPECT_FALSE(autoRedraw);
    std::intptr_t hdc = 0;
    EXPECT_TRUE(surface->GetHdc(hdc));
    EXPECT_EQ(reinterpret_cast<HDC>(hdc), PictureBoxDc(box_));

    WriteSolidPng(folder.File(L"green.png"), 50, 40, kGreen);
    const ImageRef image = Load(folder.File(L"green.png"));
    ASSERT_NE(image, 0u);
    PictureBoxCls(box_);
    DrawImageZoomed(*surface, image, 0, 0, 1.0f);
    EXPECT_TRUE(surface->GetAutoRedraw(autoRedraw));
    EXPECT_TRUE(autoRedraw);
    // Shown at once, without waiting for the message loop.
    EXPECT_EQ(ScreenPixel(10, 10), Rgb(kGreen));
    EXPECT_EQ(ScreenPixel(60, 60), Rgb(GetSysColor(COLOR_WINDOW)));
    // Covered and uncovered, it paints itself from its image again.
    InvalidateRect(box_, nullptr, TRUE);
    Pump();
    EXPECT_EQ(ScreenPixel(10, 10), Rgb(kGreen));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(PictureBoxTest, AlphaImageBlendsOverTheClearedBox) {
    WritePng(folder.File(L"half.png"), 10, 10, SolidPixels(10, 10, 0x80FF0000), true);
    const ImageRef image = Load(folder.File(L"half.png"));
    ASSERT_NE(image, 0u);
    PictureBoxCls(box_);
    DrawImageZoomed(*PictureBoxSurface(box_), image, 0, 0, 1.0f);
    const COLORREF background = GetSysColor(COLOR_WINDOW);
    const COLORREF blended = GetPixel(PictureBoxDc(box_), 5, 5);
    const double a = 128.0 / 255.0;
    EXPECT_NEAR(GetRValue(blended), 255 * a + GetRValue(background) * (1 - a), 2);
    EXPECT_NEAR(GetGValue(blended), GetGValue(background) * (1 - a), 2);
    EXPECT_NEAR(GetBValue(blended), GetBValue(background) * (1 - a), 2);
    EXPECT_EQ(GetPixel(PictureBoxDc(box_), 10, 10), background);
}

TEST_F(PictureBoxTest, FollowsItsSizeAndKeepsWhatFits) {
    HDC dc = PictureBoxDc(box_);
    SetPixel(dc, 5, 5, kBlue);
    SetWindowPos(box_, nullptr, 0, 0, 304, 204, SWP_NOMOVE | SWP_NOZORDER);
    const SIZE size = BitmapSize();
    EXPECT_EQ(size.cx, 300);
    EXPECT_EQ(size.cy, 200);
    dc = PictureBoxDc(box_);
    EXPECT_EQ(GetPixel(dc, 5, 5), kBlue);
    EXPECT_EQ(GetPixel(dc, 290, 100), GetSysColor(COLOR_WINDOW));
    // A box of no size still has a DC to draw into.
    SetWindowPos(box_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_NE(PictureBoxDc(box_), nullptr);
}

TEST_F(PictureBoxTest, OtherWindowsAreNoPictureBoxes) {
    EXPECT_EQ(PictureBoxSurface(parent_), nullptr);
    EXPECT_EQ(PictureBoxDc(parent_), nullptr);
    EXPECT_EQ(PictureBoxSurface(nullptr), nullptr);
    PictureBoxCls(parent_);  // harmless
    DestroyWindow(box_);
    EXPECT_EQ(PictureBoxSurface(box_), nullptr);
}

// ---------------------------------------------------------------------------------------------
// The image service.

class ImageServiceTest : public LoadImageFileTest {};

TEST_F(ImageServiceTest, ParallelLoadGivesEveryPathItsOwnImage) {
    std::vector<Text> paths;
    std::vector<Pixels> expected;
    for (int i = 0; i < 40; ++i) {
        const std::wstring name = folder.File(L"f" + std::to_wstring(i) + (i % 2 ? L".bmp" : L".png"));
        Pixels pixels(24 * 16);
        for (std::size_t p = 0; p < pixels.size(); ++p)
            pixels[p] = 0xFF000000u | (static_cast<std::uint32_t>(i) * 6u << 16) | ((p * 7u) & 0xFFu);
        if (i % 7 == 3) {
            WriteBytes(name, "damaged");
            pixels.clear();
        } else if (i % 2) {
            WriteBmp(name, 24, 16, pixels);
        } else {
            WritePng(name, 24, 16, pixels);
        }
        paths.push_back(FromWide(name.c_str()));
        expected.push_back(pixels);
    }
    paths.push_back(FromWide(folder.File(L"missing.png").c_str()));
    expected.push_back({});

    GdiplusImageService service;
    const std::vector<ImageRef> images = service.LoadImages(paths);
    ASSERT_EQ(images.size(), paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "path " << i);
        const ImageRef single = LoadImageFile(paths[i]);
        EXPECT_EQ(images[i] == 0, single == 0);
        EXPECT_EQ(ImagePixels(images[i]), expected[i]);
        EXPECT_EQ(ImagePixels(single), expected[i]);
        service.DisposeImage(images[i]);
        service.DisposeImage(single);
    }
    EXPECT_TRUE(service.LoadImages({}).empty());
}

TEST_F(ImageServiceTest, DrawsThroughTheDrawingRoutine) {
    GdiplusImageService service;
    WriteSolidBmp(folder.File(L"one.bmp"), 4, 4, kRed);
    const std::vector<ImageRef> images = service.LoadImages({FromWide(folder.File(L"one.bmp").c_str())});
    ASSERT_EQ(images.size(), 1u);
    MemorySurface surface(8, 8);
    service.DrawImageZoomed(surface, images[0], 2, 2, 1.0f);
    EXPECT_EQ(surface.Pixel(3, 3), Rgb(kRed));
    EXPECT_EQ(surface.Pixel(1, 1), kWhite);
    EXPECT_EQ(surface.refreshes, 1);
    service.DrawImageZoomed(surface, images[0], 0, 0, 0.0f);
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    service.DisposeImage(images[0]);
}

}  // namespace
}  // namespace kino::test
