// Frame images on real GDI+ and real files. Decoded into bitmaps of their own: JPEG and PNG by
// libjpeg-turbo and libspng (where the build has them), those and BMP by WIC, everything else by
// GDI+, each to the pixels GDI+ itself reads from the file (JPEG within a few levels); opaque ones
// as RGB, see-through ones premultiplied; COM left as the decoding thread had it. Drawn at pixel
// size, and drawing errors shown through the image service.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>
#ifdef KINO_DECODER_LIBS
#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

#include "imaging/library_decoders_win.h"
#endif

#include "base/message_box_win.h"
#include "base/text_win.h"
#include "core/image_service.h"
#include "imaging/frame_decoder_win.h"
#include "imaging/frame_images_win.h"
#include "imaging/gdiplus_bitmap_win.h"
#include "imaging/image_service_win.h"
#include "sample_files_win.h"

namespace kino::test {
namespace {

// A width x height 32-bit bitmap in a memory DC, filled white.
class MemorySurface final : public DrawingSurface {
public:
    MemorySurface(int width, int height)
        : width_(width), bitmap_(MakeDib32(dc_.get(), width, height, &bits_)),
          selected_(dc_.get(), bitmap_.get()) {
        std::fill_n(static_cast<std::uint32_t*>(bits_), width * height, 0xFFFFFFu);
    }

    std::uint32_t Pixel(int x, int y) const {  // 0xFFRRGGBB
        GdiFlush();
        return static_cast<const std::uint32_t*>(bits_)[y * width_ + x] | 0xFF000000;
    }

    enum class Failure { None, NoHdc, RefusedHdc, NoRefresh };
    bool GetHdc(std::intptr_t& hdc) override {
        // GDI+ makes no graphics for a DC of 0.
        hdc = failure == Failure::RefusedHdc ? 0 : reinterpret_cast<std::intptr_t>(dc_.get());
        return failure != Failure::NoHdc;
    }
    bool Refresh() override {
        ++refreshes;
        return failure != Failure::NoRefresh;
    }

    Failure failure = Failure::None;
    int refreshes = 0;

private:
    int width_;
    void* bits_ = nullptr;
    UniqueMemoryDc dc_{CreateCompatibleDC(nullptr)};
    UniqueBitmap bitmap_;
    SelectObjectScope selected_;
};

// Not a multiple of 4 wide (the 4-pixel steps of the row expansion), more rows than one band.
constexpr int kWidth = 37;
constexpr int kHeight = 45;
constexpr ImageSize kWhole{~0u, ~0u};
// Picture boxes smaller, a pixel smaller, as large as, and larger than the pattern.
constexpr ImageSize kBoxes[] = {{20, 30}, {36, 45}, {37, 44}, {37, 45}, {38, 46}};

// The top-left width x height pixels of an image stride pixels wide.
Pixels TopLeft(const Pixels& whole, std::uint32_t stride, std::uint32_t width, std::uint32_t height) {
    Pixels part;
    for (std::uint32_t y = 0; y < height; ++y)
        part.insert(part.end(), whole.begin() + y * stride, whole.begin() + y * stride + width);
    return part;
}

Pixels Pattern(std::uint32_t alphaEvery = 0) {
    Pixels pixels(kWidth * kHeight);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t x = i % kWidth, y = i / kWidth;
        const std::uint32_t alpha = alphaEvery && i % alphaEvery == 0 ? (i * 13u) & 0xFF : 0xFF;
        pixels[i] = (alpha << 24) | (x * 7u << 16) | (y * 5u << 8) | ((x * y) & 0xFFu);
    }
    return pixels;
}

// A PNG of the pattern's size from one row, repeated: the bytes after each row's filter byte.
std::string PlainPng(int colourType, int bitDepth, const std::string& row, std::string_view chunks = {}) {
    std::string rows;
    for (int y = 0; y < kHeight; ++y) rows += '\0' + row;
    return RawPngBytes(kWidth, kHeight, colourType, bitDepth, rows, chunks);
}

#ifdef KINO_DECODER_LIBS
enum class JpegKind { Colour, Grey, Progressive, Restarts, Cmyk };

// A JPEG of the pattern written by libjpeg-turbo itself, in kinds the GDI+ encoder doesn't make.
std::string EncodeJpeg(const Pixels& pixels, JpegKind kind) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = 4;  // the pixels' bytes as they lie: B G R A
    info.in_color_space = kind == JpegKind::Cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    if (kind == JpegKind::Grey) jpeg_set_colorspace(&info, JCS_GRAYSCALE);
    if (kind == JpegKind::Progressive) jpeg_simple_progression(&info);
    if (kind == JpegKind::Restarts) info.restart_in_rows = 1;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(reinterpret_cast<const JSAMPLE*>(&pixels[info.next_scanline * kWidth]));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const std::string bytes(reinterpret_cast<const char*>(out), size);
    std::free(out);
    return bytes;
}

constexpr bool kLibraries = true;
#else
constexpr bool kLibraries = false;
#endif

// The mean difference of two images' colour bytes, in levels.
double MeanDifference(const Pixels& a, const Pixels& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            sum += std::abs(static_cast<int>(a[i] >> shift & 0xFF) - static_cast<int>(b[i] >> shift & 0xFF));
    return sum / (a.size() * 3.0);
}

Pixels PixelsOf(gdip::GpImage* image, int* width = nullptr, int* height = nullptr) {
    return ImagePixels(reinterpret_cast<ImageRef>(image), width, height);
}

struct RecordedBox {
    HWND owner;
    Text text;
};
std::vector<RecordedBox> g_boxes;  // the message boxes a test showed, each answered at once

// Inside one GDI+ session; message boxes recorded.
class DecodingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(InitGDIPlus(), 0); }
    static void TearDownTestSuite() { TerminateGDIPlus(); }
    void SetUp() override {
        g_boxes.clear();
        previousBox_ = SetMessageBoxFunction([](HWND owner, TextView text, TextView, unsigned) {
            g_boxes.push_back({owner, Text(text)});
            return IDOK;
        });
    }
    void TearDown() override { SetMessageBoxFunction(previousBox_); }
    // The frame as the program loads it for a box of that size.
    UniqueGpImage Frame(const wchar_t* name, ImageSize box) {
        return UniqueGpImage(reinterpret_cast<gdip::GpImage*>(LoadImageFile(folder.FileText(name), box, frames)));
    }
    // Whether libjpeg-turbo or libspng decodes the file itself (always false without them).
    bool LibraryTakes(const wchar_t* name) {
#ifdef KINO_DECODER_LIBS
        FrameFileReader file(folder.File(name).c_str());
        if (std::wstring_view(name).ends_with(L".jpg")) return UniqueGpImage(jpeg.Decode(file, kWhole)).get();
        return UniqueGpImage(DecodePng(file, kWhole)).get();
#else
        return (void)name, false;
#endif
    }

    TempFolder folder;
    WicFrameDecoder decoder;
    FrameDecoder frames;
#ifdef KINO_DECODER_LIBS
    JpegFrameDecoder jpeg;
#endif
    MessageBoxFunction previousBox_ = nullptr;
};

// Opaque frames become RGB bitmaps of GDI+'s pixels; see-through ones premultiplied, with their
// alpha. Neither holds its file.
TEST_F(DecodingTest, FramesBecomeRgbOrPremultipliedBitmapsOfTheirPixels) {
    const Pixels pattern = Pattern();
    std::string grey, deep;
    for (int x = 0; x < kWidth; ++x) grey.push_back(static_cast<char>(x * 9));
    for (int x = 0; x < kWidth * 3; ++x) deep += std::string{static_cast<char>(x), static_cast<char>(x * 3)};
    SaveWithGdiplus(folder.File(L"photo.jpg"), kWidth, kHeight, pattern, Encoder::Jpeg);
    const struct {
        const wchar_t* name;
        std::string bytes;
        bool byWic, seeThrough;
    } rows[] = {
        {L"帧Ω.png", PngBytes(kWidth, kHeight, pattern), true, false},  // a name outside the code page
        {L"rgba.png", PngBytes(kWidth, kHeight, pattern, true), true, false},  // declares alpha, uses none
        {L"frame.bmp", BmpBytes(kWidth, kHeight, pattern), true, false},
        {L"grey.png", PlainPng(0, 8, grey), true, false},
        {L"usual-gamma.png", PlainPng(0, 8, grey, PngChunk("gAMA", {"\0\0\xB1\x8F", 4})), true, false},  // 1 / 2.2
        {L"palette.png", PalettePngBytes({0xFF102030, 0xFFF0E0D0, 0}, {"\0\1\1", 3}), true, false},  // clear unused
        {L"photo.jpg", "", true, false},
#ifdef KINO_DECODER_LIBS
        {L"libjpeg.jpg", EncodeJpeg(pattern, JpegKind::Colour), true, false},
        {L"grey.jpg", EncodeJpeg(pattern, JpegKind::Grey), true, false},
        {L"progressive.jpg", EncodeJpeg(pattern, JpegKind::Progressive), true, false},
        {L"restarts.jpg", EncodeJpeg(pattern, JpegKind::Restarts), true, false},
#endif
        // Left to GDI+: whether a 32-bit BMP's fourth byte is alpha, a gamma GDI+ may correct for,
        // 16 bits per channel.
        {L"frame32.bmp", BmpBytes(kWidth, kHeight, pattern, 32), false, false},
        {L"linear.png", PlainPng(0, 8, grey, PngChunk("gAMA", {"\0\x01\x86\xA0", 4})), false, false},  // 1.0
        {L"deep.png", PlainPng(2, 16, deep), false, false},
        {L"alpha.png", PngBytes(kWidth, kHeight, Pattern(11), true), true, true},
        {L"clear-palette.png", PalettePngBytes({0, 0x800000FF, 0xFFFF0000}, {"\0\1\2\2", 4}), true, true},
        {L"clear.gif", TwoPixelGif(), false, true},
        {L"gif-named.png", TwoPixelGif(), false, true},  // what a file holds decides, not its name
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (!row.bytes.empty()) WriteBytes(folder.File(row.name), row.bytes);
        const UniqueGpImage image = Frame(row.name, kWhole), wic(decoder.Decode(folder.File(row.name).c_str(), kWhole));
        // Only what a box shows is decoded: the same pixels as the whole frame's top-left part.
        int wholeWidth = 0, wholeHeight = 0;
        const Pixels read = PixelsOf(image.get(), &wholeWidth, &wholeHeight);
        for (const ImageSize box : kBoxes) {
            const ImageSize held = HeldPart(ImageSize(wholeWidth, wholeHeight), box);
            int width = 0, height = 0;
            const Pixels part = PixelsOf(Frame(row.name, box).get(), &width, &height);
            EXPECT_EQ(ImageSize(width, height), held) << box.width << " x " << box.height;
            EXPECT_EQ(part, TopLeft(read, wholeWidth, held.width, held.height)) << box.width << " x " << box.height;
        }
        EXPECT_EQ(wic.get() != nullptr, row.byWic);
        const bool jpeg = std::wstring_view(row.name).ends_with(L".jpg");
        EXPECT_EQ(LibraryTakes(row.name), kLibraries && row.byWic && !std::wstring_view(row.name).ends_with(L".bmp"));
        gdip::GpImage* original = nullptr;  // the file as GdipLoadImageFromFile reads it
        gdip::GdipLoadImageFromFile(folder.File(row.name).c_str(), &original);
        const Pixels expected = PixelsOf(UniqueGpImage(original).get());
        EXPECT_TRUE(DeleteFileW(folder.File(row.name).c_str())) << "the frame holds no file";
        gdip::PixelFormat format = 0;
        gdip::GdipGetImagePixelFormat(image.get(), &format);
        EXPECT_EQ(format, row.seeThrough ? gdip::PixelFormat32bppPARGB : gdip::PixelFormat32bppRGB);
        ASSERT_TRUE(!expected.empty() && read.size() == expected.size());
        if (!row.seeThrough) {
            // libjpeg-turbo upsamples colour its own way: on this pattern's noisy blue by about 5
            // levels on average (a swapped channel or a misplaced row would be tens).
            if (jpeg && kLibraries) EXPECT_LT(MeanDifference(read, expected), 8.0);
            else EXPECT_EQ(read, expected);
            continue;
        }
        EXPECT_TRUE(!row.byWic || read == PixelsOf(wic.get())) << "exactly the WIC path's pixels";
        for (std::size_t i = 0; i < read.size(); ++i) {
            const int alpha = static_cast<int>(expected[i] >> 24);
            ASSERT_EQ(static_cast<int>(read[i] >> 24), alpha) << "pixel " << i;
            // Premultiplied and back: a colour keeps about 255 / alpha steps of precision.
            for (int shift = 0; alpha && shift < 24; shift += 8)
                ASSERT_NEAR(read[i] >> shift & 0xFF, expected[i] >> shift & 0xFF, 255 / alpha + 1) << "pixel " << i;
        }
    }
}

// Out of COM, then in a single-threaded apartment: the decoder leaves the thread as it found it.
TEST_F(DecodingTest, LeavesTheThreadInTheApartmentItFoundItIn) {
    const std::wstring path = folder.File(L"one.png");
    WriteBytes(path, PngBytes(kWidth, kHeight, Pattern()));
    std::thread([&] {
        for (const HRESULT again : {S_OK, S_FALSE}) {  // S_FALSE: the thread was in its apartment already
            EXPECT_TRUE(UniqueGpImage(WicFrameDecoder().Decode(path.c_str(), kWhole)));
            EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), again);
        }
        CoUninitialize();
        CoUninitialize();
    }).join();
}

// Files that are no images, damaged or too large give no frame, or the frame WIC makes of them:
// libjpeg-turbo and libspng leave them, and CMYK, to the WIC path. No file stays open.
TEST_F(DecodingTest, DamagedFilesGiveNoFrameOrWhatTheWicPathMakesOfThemAndStayFree) {
    const std::string png = PngBytes(kWidth, kHeight, Pattern());
    std::string hugeBmp = BmpBytes(1, 1, Solid(1, 1, 0xFF000000));
    for (int offset : {18, 22}) hugeBmp.replace(offset, 4, std::string{'\x60', '\xEA', 0, 0});  // 60000 x 60000
    std::vector<std::pair<const wchar_t*, std::string>> cases = {
        {L"empty.png", ""}, {L"text.jpg", "not an image"}, {L"header.png", png.substr(0, 33)}, {L"huge.bmp", hugeBmp},
        {L"cut.bmp", BmpBytes(kWidth, kHeight, Pattern()).substr(0, 60)},
        {L"huge.png", RawPngBytes(60000, 60000, 2, 8, {"\0\0\0\0", 4})},
        {L"short-idat.png",
         RawPngBytes(kWidth, kHeight, 2, 8, std::string(kHeight / 2 * (1 + kWidth * 3), '\0'))}};
#ifdef KINO_DECODER_LIBS
    const std::string jpeg = EncodeJpeg(Pattern(), JpegKind::Colour);
    std::string badHuffman = jpeg;  // 16 one bits in a row are no Huffman code (FF 00 is a stuffed FF)
    for (std::size_t i = jpeg.size() / 2; i < jpeg.size() / 2 + 16; i += 2) badHuffman.replace(i, 2, "\xFF\0", 2);
    // libjpeg-turbo's fast Huffman path decodes a bad code as zero without a warning: that file
    // gives a frame, as it does through WIC.
    cases.insert(cases.end(), {{L"cut.jpg", jpeg.substr(0, jpeg.size() / 2)}, {L"bad-huffman.jpg", badHuffman},
                               {L"cmyk.jpg", EncodeJpeg(Pattern(), JpegKind::Cmyk)}});
#endif
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const std::wstring path = folder.File(name);
        WriteBytes(path, bytes);
        EXPECT_TRUE(name == std::wstring_view(L"bad-huffman.jpg") || !LibraryTakes(name));
        const bool wicTakes = UniqueGpImage(decoder.Decode(path.c_str(), kWhole)).get();
        EXPECT_EQ(UniqueGpImage(frames.Decode(path.c_str(), kWhole)).get() != nullptr, wicTakes);
        EXPECT_TRUE(DeleteFileW(path.c_str())) << "a failed decode keeps the file open";
    }
#ifdef KINO_DECODER_LIBS
    // Damage below the rows a box shows is never read: their part decodes (libspng's part is
    // tested natively).
    WriteBytes(folder.File(L"cut-low.jpg"), jpeg.substr(0, jpeg.size() * 9 / 10));
    EXPECT_FALSE(LibraryTakes(L"cut-low.jpg"));
    EXPECT_TRUE(UniqueGpImage(frames.Decode(folder.File(L"cut-low.jpg").c_str(), {kWidth, 4})));
    WriteBytes(folder.File(L"whole.jpg"), jpeg);
    EXPECT_TRUE(LibraryTakes(L"whole.jpg")) << "the decoder goes on after a failure";
#endif
    WriteBytes(folder.File(L"whole.png"), png);
    CreateDirectoryW(folder.File(L"folder.png").c_str(), nullptr);
    for (const Text& path : {folder.FileText(L"folder.png"), folder.FileText(L"missing.png"), Text(),
                             folder.FileText(L"whole.png") + Text(1, u'\0') + u"x"})  // a NUL names another file
        EXPECT_EQ(LoadImageFile(path, kWhole, frames), 0u) << ::testing::PrintToString(path);
}

TEST_F(DecodingTest, AMetafileUnderAnImageNameIsDrawnIntoItsBitmap) {
    HDC recorder = CreateEnhMetaFileW(nullptr, folder.File(L"meta.png").c_str(), nullptr, nullptr);
    const RECT box{0, 0, 40, 30};
    FillRect(recorder, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    DeleteEnhMetaFile(CloseEnhMetaFile(recorder));
    int width = 0, height = 0;
    const Pixels pixels = PixelsOf(Frame(L"meta.png", kWhole).get(), &width, &height);
    ASSERT_GT(width * height, 16);
    EXPECT_EQ(pixels[(height / 2) * width + width / 2], 0xFF000000u);
}

// At pixel size whatever dpi the file records (a BMP records 72), at any offset: the pixels GDI+
// draws for the whole image.
TEST_F(DecodingTest, DrawsAtPixelSizeThePixelsGdiplusDrawsForTheWholeImage) {
    Pixels pixels(700 * 500);
    for (std::uint32_t i = 0; i < pixels.size(); ++i) pixels[i] = i * 2654435761u;  // every alpha there is
    WriteBytes(folder.File(L"alpha.png"), PngBytes(700, 500, pixels, true));
    WriteBytes(folder.File(L"opaque.bmp"), BmpBytes(700, 500, pixels));
    for (auto [name, x, y] : {std::tuple{L"alpha.png", 0, 0}, {L"alpha.png", -301, -123}, {L"alpha.png", 40, 17},
                              {L"opaque.bmp", -301, -123}, {L"opaque.bmp", 100, -499}}) {
        const UniqueGpImage frame = Frame(name, kWhole);
        const auto image = reinterpret_cast<ImageRef>(frame.get());
        MemorySurface surface(256, 256), whole(256, 256);
        DrawImage(surface, image, x, y, nullptr);
        std::intptr_t dc = 0;
        whole.GetHdc(dc);
        gdip::GpGraphics* graphics = nullptr;
        gdip::GdipCreateFromHDC(reinterpret_cast<HDC>(dc), &graphics);
        gdip::GdipSetInterpolationMode(graphics, gdip::InterpolationModeNearestNeighbor);
        gdip::GdipSetPixelOffsetMode(graphics, gdip::PixelOffsetModeHalf);
        gdip::GdipDrawImageRect(graphics, reinterpret_cast<gdip::GpImage*>(image), x, y, 700, 500);
        gdip::GdipDeleteGraphics(graphics);
        for (int i = 0; i < 256 * 256; ++i) {
            ASSERT_EQ(surface.Pixel(i % 256, i / 256), whole.Pixel(i % 256, i / 256))
                << name << " at " << x << "," << y << ": pixel " << i;
        }
    }
}

// Every draw refreshes, with no image too. The box of a surface that fails belongs to the
// program's window, whichever window is active.
TEST_F(DecodingTest, DrawingErrorsShowTheirBoxOwnedByTheMainWindow) {
    const auto window = [](const wchar_t* title) {
        return CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                               nullptr, nullptr, nullptr);
    };
    const HWND owner = window(L"owner"), other = window(L"other");
    SetActiveWindow(other);
    GdiplusImageService service(owner);
    using enum MemorySurface::Failure;
    for (const MemorySurface::Failure failure : {None, NoHdc, NoRefresh, RefusedHdc}) {
        MemorySurface surface(8, 8);
        surface.failure = failure;
        service.DrawImage(surface, 0, 0, 0);
        EXPECT_EQ(surface.refreshes, failure == None || failure == NoRefresh) << "a draw that failed refreshes nothing";
    }
    ASSERT_EQ(g_boxes.size(), 3u) << "one for each failure";
    for (const RecordedBox& box : g_boxes) {
        EXPECT_EQ(box.owner, owner);
        EXPECT_EQ(box.text, u"出现绘制错误。");
    }
    DestroyWindow(other);
    DestroyWindow(owner);
}

}  // namespace
}  // namespace kino::test
