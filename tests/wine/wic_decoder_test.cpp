// JPEG, PNG and BMP frames decoded by WIC straight into bitmaps of their own: the same pixels as
// GDI+ gives, everything else left to GDI+, and COM left as the thread had it.
#include "imaging/wic_decoder_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "base/text_win.h"
#include "gdiplus_fixture_win.h"
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

// A grey PNG, recording the gamma when one is given.
std::string GreyPng(std::uint32_t gamma = 0) {
    std::string rows;
    for (int y = 0; y < kHeight; ++y) {
        rows.push_back(0);
        for (int x = 0; x < kWidth; ++x) rows.push_back(static_cast<char>((x * 9 + y * 3) & 0xFF));
    }
    const std::string value{static_cast<char>(gamma >> 24), static_cast<char>(gamma >> 16), static_cast<char>(gamma >> 8),
                            static_cast<char>(gamma)};
    return RawPngBytes(kWidth, kHeight, 0, 8, rows, gamma ? PngChunk("gAMA", value) : "");
}

class WicFrameDecoderTest : public GdiplusTest {
protected:
    // The file as GdipLoadImageFromFile decodes it, as ARGB.
    Pixels GdiplusPixels(const wchar_t* name) {
        gdip::GpImage* image = nullptr;
        gdip::GdipLoadImageFromFile(folder.File(name).c_str(), &image);
        const Pixels pixels = ImagePixels(reinterpret_cast<ImageRef>(image));
        gdip::GdipDisposeImage(image);
        return pixels;
    }
    UniqueGpImage Decode(const wchar_t* name) { return UniqueGpImage(decoder.Decode(folder.File(name).c_str())); }
    static gdip::PixelFormat FormatOf(const UniqueGpImage& image) {
        gdip::PixelFormat format = 0;
        gdip::GdipGetImagePixelFormat(image.get(), &format);
        return format;
    }

    TempFolder folder;
    WicFrameDecoder decoder;
};

TEST_F(WicFrameDecoderTest, DecodesJpegPngAndBmpToTheSamePixelsAsGdiplus) {
    const Pixels pattern = Pattern();
    WriteBytes(folder.File(L"rgb.png"), PngBytes(kWidth, kHeight, pattern));
    WriteBytes(folder.File(L"frame.bmp"), BmpBytes(kWidth, kHeight, pattern));
    WriteBytes(folder.File(L"rgba-opaque.png"), PngBytes(kWidth, kHeight, pattern, true));
    WriteBytes(folder.File(L"grey.png"), GreyPng());
    WriteBytes(folder.File(L"usual-gamma.png"), GreyPng(45455));
    WriteBytes(folder.File(L"palette.png"), IndexedPngBytes(4, 2, {0xFF102030, 0xFFF0E0D0, 0xFF00FF00}, {0, 1, 2, 1, 2, 1, 0, 0}));
    SaveWithGdiplus(folder.File(L"photo.jpg"), kWidth, kHeight, pattern, Encoder::Jpeg);
    for (const wchar_t* name : {L"rgb.png", L"frame.bmp", L"rgba-opaque.png", L"grey.png", L"usual-gamma.png",
                                L"palette.png", L"photo.jpg"}) {
        SCOPED_TRACE(name);
        const UniqueGpImage decoded = Decode(name);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(FormatOf(decoded), gdip::PixelFormat32bppRGB);
        const Pixels expected = GdiplusPixels(name);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(ImagePixels(reinterpret_cast<ImageRef>(decoded.get())), expected);
    }
    EXPECT_EQ(ImagePixels(reinterpret_cast<ImageRef>(Decode(L"rgb.png").get())), pattern) << "exactly the pattern";
}

TEST_F(WicFrameDecoderTest, SeeThroughPixelsGiveAPremultipliedBitmap) {
    WriteBytes(folder.File(L"alpha.png"), PngBytes(kWidth, kHeight, Pattern(11), true));
    WriteBytes(folder.File(L"palette.png"), IndexedPngBytes(4, 1, {0, 0x800000FF, 0xFFFF0000}, {0, 1, 2, 2}));
    for (const wchar_t* name : {L"alpha.png", L"palette.png"}) {
        SCOPED_TRACE(name);
        const UniqueGpImage decoded = Decode(name);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(FormatOf(decoded), gdip::PixelFormat32bppPARGB);
        const Pixels read = ImagePixels(reinterpret_cast<ImageRef>(decoded.get())), expected = GdiplusPixels(name);
        ASSERT_EQ(read.size(), expected.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            const std::uint32_t alpha = expected[i] >> 24;
            ASSERT_EQ(read[i] >> 24, alpha) << "pixel " << i;
            // Premultiplied and back: a colour keeps about 255 / alpha steps of precision.
            for (int shift : {0, 8, 16}) {
                if (alpha == 0) break;
                ASSERT_NEAR(static_cast<int>((read[i] >> shift) & 0xFF), static_cast<int>((expected[i] >> shift) & 0xFF),
                            static_cast<int>(255 / alpha) + 1) << "pixel " << i;
            }
        }
    }
}

TEST_F(WicFrameDecoderTest, LeavesOtherFilesToGdiplusWhichStillLoadsThem) {
    std::string deep;  // 16 bits per channel
    for (int y = 0; y < kHeight; ++y) {
        deep.push_back(0);
        for (int x = 0; x < kWidth * 3; ++x) deep += std::string{static_cast<char>(x), static_cast<char>(y)};
    }
    const std::pair<const wchar_t*, std::string> files[] = {
        {L"frame32.bmp", BmpBytes(kWidth, kHeight, Pattern(), 32)},  // whether byte 4 is alpha: GDI+ decides
        {L"frame.gif", TwoPixelGif()},
        {L"gif-named.png", TwoPixelGif()},
        {L"deep.png", RawPngBytes(kWidth, kHeight, 2, 16, deep)},
        {L"linear.png", GreyPng(100000)},  // GDI+ may correct for an unusual gamma; WIC would not
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        WriteBytes(folder.File(name), bytes);
        EXPECT_FALSE(Decode(name));
        const ImageRef loaded = LoadImageFile(folder.FileText(name), decoder);
        EXPECT_NE(loaded, 0u);
        EXPECT_EQ(ImagePixels(loaded), GdiplusPixels(name));
        gdip::GdipDisposeImage(reinterpret_cast<gdip::GpImage*>(loaded));
    }
    const std::string png = PngBytes(kWidth, kHeight, Pattern());
    WriteBytes(folder.File(L"cut.png"), png.substr(0, png.size() / 2));
    WriteBytes(folder.File(L"text.png"), "not an image");
    for (const wchar_t* name : {L"text.png", L"cut.png", L"missing.jpg"}) EXPECT_FALSE(Decode(name));
    EXPECT_TRUE(DeleteFileW(folder.File(L"cut.png").c_str())) << "a failed decode keeps the file open";
}

TEST_F(WicFrameDecoderTest, LeavesTheThreadInTheApartmentItFoundItIn) {
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
