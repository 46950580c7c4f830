// Frames decoded into bitmaps of their own: JPEG, PNG and BMP by WIC, everything else by GDI+,
// each to the pixels GDI+ itself reads from the file; opaque ones as RGB, see-through ones
// premultiplied. COM is left as the decoding thread had it.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "gdiplus_fixture_win.h"
#include "imaging/frame_decoder_win.h"
#include "imaging/gdiplus_bitmap_win.h"

namespace kino::test {
namespace {

// Not a multiple of 4 wide (the 4-pixel steps of the row expansion), more rows than one band.
constexpr int kWidth = 37;
constexpr int kHeight = 45;

Pixels Pattern(std::uint32_t alphaEvery = 0) {
    Pixels pixels(kWidth * kHeight);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t x = i % kWidth, y = i / kWidth, alpha = alphaEvery && i % alphaEvery == 0 ? (i * 13u) & 0xFF : 0xFF;
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

std::string Gamma(std::uint32_t gamma) {
    const char value[] = {static_cast<char>(gamma >> 24), static_cast<char>(gamma >> 16), static_cast<char>(gamma >> 8),
                          static_cast<char>(gamma)};
    return PngChunk("gAMA", std::string_view(value, 4));
}

class DecodingTest : public GdiplusTest {
protected:
    // The file as GdipLoadImageFromFile reads it, as ARGB.
    Pixels GdiplusPixels(const wchar_t* name) {
        gdip::GpImage* image = nullptr;
        gdip::GdipLoadImageFromFile(folder.File(name).c_str(), &image);
        const Pixels pixels = ImagePixels(reinterpret_cast<ImageRef>(image));
        gdip::GdipDisposeImage(image);
        return pixels;
    }
    bool WicTakes(const wchar_t* name) { return UniqueGpImage(decoder.Decode(folder.File(name).c_str())).get(); }
    UniqueGpImage Load(const wchar_t* name) {
        return UniqueGpImage(reinterpret_cast<gdip::GpImage*>(LoadImageFile(folder.FileText(name), frames)));
    }
    static gdip::PixelFormat FormatOf(const UniqueGpImage& image) {
        gdip::PixelFormat format = 0;
        gdip::GdipGetImagePixelFormat(image.get(), &format);
        return format;
    }

    TempFolder folder;
    WicFrameDecoder decoder;
    FrameDecoder frames;
};

TEST_F(DecodingTest, OpaqueFramesBecomeRgbBitmapsOfTheirPixels) {
    const Pixels pattern = Pattern();
    std::string grey, deep;
    for (int x = 0; x < kWidth; ++x) grey.push_back(static_cast<char>(x * 9));
    for (int x = 0; x < kWidth * 3; ++x) deep += std::string{static_cast<char>(x), static_cast<char>(x * 3)};
    SaveWithGdiplus(folder.File(L"photo.jpg"), kWidth, kHeight, pattern, Encoder::Jpeg);
    const struct {
        const wchar_t* name;
        std::string bytes;
        bool byWic;
    } rows[] = {
        {L"rgb.png", PngBytes(kWidth, kHeight, pattern), true},
        {L"rgba.png", PngBytes(kWidth, kHeight, pattern, true), true},  // declares alpha, uses none
        {L"frame.bmp", BmpBytes(kWidth, kHeight, pattern), true},
        {L"grey.png", PlainPng(0, 8, grey), true},
        {L"usual-gamma.png", PlainPng(0, 8, grey, Gamma(45455)), true},
        {L"palette.png", IndexedPngBytes(3, 1, {0xFF102030, 0xFFF0E0D0, 0}, {0, 1, 1}), true},  // see-through unused
        {L"photo.jpg", "", true},
        // Left to GDI+: whether a 32-bit BMP's fourth byte is alpha, a gamma GDI+ may correct for,
        // 16 bits per channel.
        {L"frame32.bmp", BmpBytes(kWidth, kHeight, pattern, 32), false},
        {L"linear.png", PlainPng(0, 8, grey, Gamma(100000)), false},
        {L"deep.png", PlainPng(2, 16, deep), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (!row.bytes.empty()) WriteBytes(folder.File(row.name), row.bytes);
        EXPECT_EQ(WicTakes(row.name), row.byWic);
        const UniqueGpImage image = Load(row.name);
        EXPECT_EQ(FormatOf(image), gdip::PixelFormat32bppRGB);
        const Pixels expected = GdiplusPixels(row.name);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(ImagePixels(reinterpret_cast<ImageRef>(image.get())), expected);
    }
    EXPECT_EQ(ImagePixels(reinterpret_cast<ImageRef>(Load(L"frame.bmp").get())), pattern) << "exactly the pattern";
    EXPECT_EQ(ImagePixels(reinterpret_cast<ImageRef>(Load(L"frame32.bmp").get())), pattern);
}

TEST_F(DecodingTest, SeeThroughFramesBecomePremultipliedAndKeepTheirAlpha) {
    const struct {
        const wchar_t* name;
        std::string bytes;
        bool byWic;
    } rows[] = {
        {L"alpha.png", PngBytes(kWidth, kHeight, Pattern(11), true), true},
        {L"palette.png", IndexedPngBytes(4, 1, {0, 0x800000FF, 0xFFFF0000}, {0, 1, 2, 2}), true},
        {L"clear.gif", TwoPixelGif(), false},
        {L"gif-named.png", TwoPixelGif(), false},  // what a file holds decides, not its name
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WriteBytes(folder.File(row.name), row.bytes);
        EXPECT_EQ(WicTakes(row.name), row.byWic);
        const UniqueGpImage image = Load(row.name);
        EXPECT_EQ(FormatOf(image), gdip::PixelFormat32bppPARGB);
        const Pixels read = ImagePixels(reinterpret_cast<ImageRef>(image.get())), expected = GdiplusPixels(row.name);
        ASSERT_EQ(read.size(), expected.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            const std::uint32_t alpha = expected[i] >> 24;
            ASSERT_EQ(read[i] >> 24, alpha) << "pixel " << i;
            // Premultiplied and back: a colour keeps about 255 / alpha steps of precision.
            for (int shift = 0; alpha && shift < 24; shift += 8)
                ASSERT_NEAR(static_cast<int>((read[i] >> shift) & 0xFF), static_cast<int>((expected[i] >> shift) & 0xFF),
                            static_cast<int>(255 / alpha) + 1) << "pixel " << i;
        }
    }
    EXPECT_EQ(ImagePixels(reinterpret_cast<ImageRef>(Load(L"clear.gif").get()))[0], 0xFF00FF00u);
}

TEST_F(DecodingTest, LeavesTheThreadInTheApartmentItFoundItIn) {
    WriteBytes(folder.File(L"one.png"), PngBytes(kWidth, kHeight, Pattern()));
    const std::wstring path = folder.File(L"one.png");
    const auto decode = [&] {
        WicFrameDecoder decoder;
        EXPECT_TRUE(UniqueGpImage(decoder.Decode(path.c_str())));
    };
    std::thread([&] {
        decode();
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK) << "not left in COM";
        CoUninitialize();
    }).join();
    std::thread([&] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        decode();  // in the thread's single-threaded apartment
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE) << "still in its apartment";
        CoUninitialize();
        CoUninitialize();
    }).join();
}

}  // namespace
}  // namespace kino::test
