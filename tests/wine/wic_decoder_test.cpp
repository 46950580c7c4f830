// JPEG, PNG and BMP frames decoded by WIC straight into bitmaps of their own: the same pixels as
// GDI+ gives, everything else left to GDI+, and COM left as the thread had it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "base/win_text.h"
#include "gdiplus_fixture.h"
#include "imaging/gdiplus2_win.h"
#include "imaging/gdiplus_bitmap_win.h"
#include "imaging/wic_decoder_win.h"
#include "test_support.h"

namespace kino::test {
namespace {

// Its size: not a multiple of 4 wide (the 4-pixel steps of the row expansion) and more rows than
// one band of decoding.
constexpr int kWidth = 37;
constexpr int kHeight = 45;

Pixels Pattern(std::uint32_t alphaEvery = 0) {
    Pixels pixels(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * kWidth + x;
            const std::uint32_t alpha = alphaEvery && i % alphaEvery == 0 ? (i * 13u) & 0xFF : 0xFF;
            pixels[i] = (alpha << 24) | (x * 7u << 16) | (y * 5u << 8) | ((x * y) & 0xFFu);
        }
    }
    return pixels;
}

// Grey rows as stored in a PNG: a filter byte, then one byte per pixel.
std::string GreyRows(int width, int height) {
    std::string rows;
    for (int y = 0; y < height; ++y) {
        rows.push_back(0);
        for (int x = 0; x < width; ++x) rows.push_back(static_cast<char>((x * 9 + y * 3) & 0xFF));
    }
    return rows;
}

std::string GammaChunk(std::uint32_t gamma) {
    const std::string value{static_cast<char>(gamma >> 24), static_cast<char>((gamma >> 16) & 0xFF),
                            static_cast<char>((gamma >> 8) & 0xFF), static_cast<char>(gamma & 0xFF)};
    return PngChunk("gAMA", value);
}

class WicFrameDecoderTest : public GdiplusTest {
protected:
    // The file as GdipLoadImageFromFile decodes it, as ARGB.
    Pixels GdiplusPixels(const std::wstring& path) {
        gdip::GpImage* image = nullptr;
        gdip::GdipLoadImageFromFile(path.c_str(), &image);
        const Pixels pixels = ImagePixels(reinterpret_cast<ImageRef>(image));
        if (image) gdip::GdipDisposeImage(image);
        return pixels;
    }
    gdip::PixelFormat FormatOf(gdip::GpBitmap* bitmap) {
        gdip::PixelFormat format = 0;
        gdip::GdipGetImagePixelFormat(bitmap, &format);
        return format;
    }
    std::wstring Path(const wchar_t* name) { return folder.File(name); }

    TempFolder folder;
};

TEST_F(WicFrameDecoderTest, DecodesJpegPngAndBmpToTheSamePixelsAsGdiplus) {
    const Pixels pattern = Pattern();
    WritePng(Path(L"rgb.png"), kWidth, kHeight, pattern);
    WriteBmp(Path(L"frame.bmp"), kWidth, kHeight, pattern);
    WritePng(Path(L"rgba-opaque.png"), kWidth, kHeight, pattern, true);
    WriteBytes(Path(L"grey.png"), RawPngBytes(kWidth, kHeight, 0, 8, GreyRows(kWidth, kHeight)));
    WriteBytes(Path(L"palette.png"), IndexedPngBytes(4, 2, {0xFF102030, 0xFFF0E0D0, 0xFF00FF00},
                                                     std::vector<std::uint8_t>{0, 1, 2, 1, 2, 1, 0, 0}));
    WriteBytes(Path(L"usual-gamma.png"),
               RawPngBytes(kWidth, kHeight, 0, 8, GreyRows(kWidth, kHeight), GammaChunk(45455)));
    SaveWithGdiplus(Path(L"photo.jpg"), kWidth, kHeight, pattern, Encoder::Jpeg);

    WicFrameDecoder decoder;
    for (const wchar_t* name : {L"rgb.png", L"rgba-opaque.png", L"grey.png", L"palette.png", L"usual-gamma.png",
                                L"photo.jpg", L"frame.bmp"}) {
        SCOPED_TRACE(testing::Message() << "file " << Utf8FromText(FromWide(name)));
        const UniqueGpImage decoded(decoder.Decode(Path(name).c_str()));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(FormatOf(static_cast<gdip::GpBitmap*>(decoded.get())), gdip::PixelFormat32bppRGB);
        const Pixels expected = GdiplusPixels(Path(name));
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(ImagePixels(reinterpret_cast<ImageRef>(decoded.get())), expected);
    }
    // The hand-made files hold exactly the pattern.
    for (const wchar_t* name : {L"rgb.png", L"frame.bmp"}) {
        const UniqueGpImage exact(decoder.Decode(Path(name).c_str()));
        EXPECT_EQ(ImagePixels(reinterpret_cast<ImageRef>(exact.get())), pattern);
    }
}

TEST_F(WicFrameDecoderTest, SeeThroughPixelsGiveAPremultipliedBitmap) {
    const Pixels pattern = Pattern(11);
    WritePng(Path(L"alpha.png"), kWidth, kHeight, pattern, true);
    WriteBytes(Path(L"palette.png"),
               IndexedPngBytes(4, 1, {0x00000000, 0x800000FF, 0xFFFF0000}, std::vector<std::uint8_t>{0, 1, 2, 2}));

    WicFrameDecoder decoder;
    for (const wchar_t* name : {L"alpha.png", L"palette.png"}) {
        SCOPED_TRACE(testing::Message() << "file " << Utf8FromText(FromWide(name)));
        const UniqueGpImage decoded(decoder.Decode(Path(name).c_str()));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(FormatOf(static_cast<gdip::GpBitmap*>(decoded.get())), gdip::PixelFormat32bppPARGB);
        const Pixels read = ImagePixels(reinterpret_cast<ImageRef>(decoded.get()));
        const Pixels expected = GdiplusPixels(Path(name));
        ASSERT_EQ(read.size(), expected.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            const std::uint32_t alpha = expected[i] >> 24;
            ASSERT_EQ(read[i] >> 24, alpha) << "pixel " << i;
            if (alpha == 0) continue;
            // Premultiplied and back: a colour keeps about 255 / alpha steps of precision.
            const int tolerance = static_cast<int>(255 / alpha) + 1;
            for (int shift : {0, 8, 16}) {
                EXPECT_NEAR(static_cast<int>((read[i] >> shift) & 0xFF),
                            static_cast<int>((expected[i] >> shift) & 0xFF), tolerance)
                    << "pixel " << i << " channel " << shift;
            }
        }
    }
}

TEST_F(WicFrameDecoderTest, LeavesOtherFilesToGdiplusWhichStillLoadsThem) {
    const Pixels pattern = Pattern();
    WriteBytes(Path(L"frame32.bmp"), BmpBytes(kWidth, kHeight, pattern, 32));
    std::vector<std::uint8_t> indices(kWidth * kHeight);
    for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<std::uint8_t>(i % 3);
    WriteBytes(Path(L"frame.gif"), GifBytes(kWidth, kHeight, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF}, indices));
    CopyFileW(Path(L"frame.gif").c_str(), Path(L"gif-named.png").c_str(), FALSE);
    std::string deep;  // 16 bits per channel
    for (int y = 0; y < kHeight; ++y) {
        deep.push_back(0);
        for (int x = 0; x < kWidth * 3; ++x) deep += std::string{static_cast<char>(x), static_cast<char>(y)};
    }
    WriteBytes(Path(L"deep.png"), RawPngBytes(kWidth, kHeight, 2, 16, deep));
    // GDI+ may correct for a gamma other than the usual one; WIC would not.
    WriteBytes(Path(L"linear.png"), RawPngBytes(kWidth, kHeight, 0, 8, GreyRows(kWidth, kHeight), GammaChunk(100000)));

    WicFrameDecoder decoder;
    for (const wchar_t* name : {L"frame32.bmp", L"frame.gif", L"gif-named.png", L"deep.png", L"linear.png"}) {
        SCOPED_TRACE(testing::Message() << "file " << Utf8FromText(FromWide(name)));
        EXPECT_EQ(decoder.Decode(Path(name).c_str()), nullptr);
        const ImageRef loaded = LoadImageFile(FromWide(Path(name).c_str()));
        EXPECT_NE(loaded, 0u);
        EXPECT_EQ(ImagePixels(loaded), GdiplusPixels(Path(name)));
        gdip::GdipDisposeImage(reinterpret_cast<gdip::GpImage*>(loaded));
    }
    const ImageRef gif = LoadImageFile(FromWide(Path(L"frame.gif").c_str()));
    EXPECT_EQ(ImagePixels(gif).at(kWidth + 1), 0xFF0000FFu) << "index (37 + 1) % 3 = 2: blue";
    gdip::GdipDisposeImage(reinterpret_cast<gdip::GpImage*>(gif));

    WriteBytes(Path(L"text.png"), "not an image");
    const std::string png = PngBytes(kWidth, kHeight, pattern);
    WriteBytes(Path(L"cut.png"), std::string_view(png).substr(0, png.size() / 2));
    for (const wchar_t* name : {L"text.png", L"cut.png", L"missing.jpg"}) {
        SCOPED_TRACE(testing::Message() << "file " << Utf8FromText(FromWide(name)));
        EXPECT_EQ(decoder.Decode(Path(name).c_str()), nullptr);
    }
    EXPECT_TRUE(DeleteFileW(Path(L"cut.png").c_str())) << "a failed decode keeps the file open";
}

// Runs body on a thread of its own (so that the test's COM state does not leak into others).
template <typename Body>
void OnNewThread(Body body) {
    std::thread(body).join();
}

TEST_F(WicFrameDecoderTest, LeavesTheThreadInTheApartmentItFoundItIn) {
    WritePng(Path(L"one.png"), kWidth, kHeight, Pattern());
    const std::wstring path = Path(L"one.png");
    OnNewThread([&] {
        {
            WicFrameDecoder decoder;
            const UniqueGpImage decoded(decoder.Decode(path.c_str()));
            EXPECT_TRUE(decoded);
        }
        // Not left in COM: the thread can still choose a single-threaded apartment.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        CoUninitialize();
    });
    OnNewThread([&] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        {
            WicFrameDecoder decoder;  // in the thread's single-threaded apartment
            const UniqueGpImage decoded(decoder.Decode(path.c_str()));
            EXPECT_TRUE(decoded);
        }
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE) << "still in its apartment";
        CoUninitialize();
        CoUninitialize();
    });
}

}  // namespace
}  // namespace kino::test
