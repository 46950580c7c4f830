// Loading and drawing single frame images, and the image service, on real GDI+ and real files.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/message_box_win.h"
#include "base/text_win.h"
#include "gdiplus_fixture_win.h"
#include "imaging/frame_decoder_win.h"
#include "imaging/gdiplus_bitmap_win.h"
#include "imaging/image_service_win.h"

namespace kino::test {
namespace {

struct RecordedBox {
    HWND owner;
    Text text, title;
    unsigned style;
};
std::vector<RecordedBox> g_boxes;  // the message boxes a test showed, each answered at once

class ImageFileTest : public GdiplusTest {
protected:
    void SetUp() override {
        g_boxes.clear();
        previousBox_ = SetMessageBoxFunction([](HWND owner, TextView text, TextView title, unsigned style) {
            g_boxes.push_back({owner, Text(text), Text(title), style});
            return IDOK;
        });
    }
    // Loads the file and disposes the image at the end of the test.
    ImageRef Load(const std::wstring& name) {
        const ImageRef image = LoadImageFile(folder.FileText(name), ImageSize{~0u, ~0u}, decoder);
        loaded_.emplace_back(reinterpret_cast<gdip::GpImage*>(image));
        return image;
    }
    void TearDown() override { SetMessageBoxFunction(previousBox_); }
    TempFolder folder;
    FrameDecoder decoder;

private:
    std::vector<UniqueGpImage> loaded_;
    MessageBoxFunction previousBox_ = nullptr;
};

TEST_F(ImageFileTest, AMetafileUnderAnImageNameIsDrawnIntoItsBitmap) {
    HDC recorder = CreateEnhMetaFileW(nullptr, folder.File(L"meta.png").c_str(), nullptr, nullptr);
    ASSERT_NE(recorder, nullptr);
    const RECT box{0, 0, 40, 30};
    FillRect(recorder, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    DeleteEnhMetaFile(CloseEnhMetaFile(recorder));
    int width = 0, height = 0;
    const Pixels pixels = ImagePixels(Load(L"meta.png"), &width, &height);
    ASSERT_GT(width * height, 16);
    EXPECT_EQ(pixels[(height / 2) * width + width / 2], 0xFF000000u);
}

// At pixel size whatever dpi the file records (a BMP records 72), at any offset: the pixels GDI+
// draws for the whole image. Every draw refreshes, with no image too.
TEST_F(ImageFileTest, DrawsAtPixelSizeThePixelsGdiplusDrawsForTheWholeImage) {
    Pixels pixels(700 * 500);
    for (std::uint32_t i = 0; i < pixels.size(); ++i) pixels[i] = i * 2654435761u;  // every alpha there is
    WriteBytes(folder.File(L"alpha.png"), PngBytes(700, 500, pixels, true));
    WriteBytes(folder.File(L"opaque.bmp"), BmpBytes(700, 500, pixels));
    for (auto [name, x, y] : {std::tuple{L"alpha.png", 0, 0}, {L"alpha.png", -301, -123}, {L"alpha.png", 40, 17},
                              {L"opaque.bmp", -301, -123}, {L"opaque.bmp", 100, -499}}) {
        const ImageRef image = Load(name);
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
    MemorySurface surface(8, 8);
    for (int i = 0; i < 2; ++i) DrawImage(surface, 0, 0, 0, nullptr);
    EXPECT_EQ(surface.refreshes, 2);
    EXPECT_TRUE(g_boxes.empty());
}

// The box of a surface that fails belongs to the program's window, whichever window is active.
TEST_F(ImageFileTest, DrawingErrorsShowTheirBoxOwnedByTheMainWindow) {
    const auto window = [](const wchar_t* title) {
        return CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                               nullptr, nullptr, nullptr);
    };
    const HWND owner = window(L"owner"), other = window(L"other");
    SetActiveWindow(other);
    GdiplusImageService service(owner);
    using enum MemorySurface::Failure;
    for (const MemorySurface::Failure failure : {NoHdc, NoRefresh, RefusedHdc}) {
        MemorySurface surface(8, 8);
        surface.failure = failure;
        service.DrawImage(surface, 0, 0, 0);
        EXPECT_EQ(surface.refreshes, failure == NoRefresh) << "a draw that failed refreshes nothing";
    }
    ASSERT_EQ(g_boxes.size(), 3u);
    for (const RecordedBox& box : g_boxes) {
        EXPECT_EQ(box.owner, owner);
        EXPECT_EQ(box.text, u"出现绘制错误。");
        EXPECT_EQ(box.title, u"GDIPlus2");
        EXPECT_EQ(box.style, 16u);
    }
    DestroyWindow(other);
    DestroyWindow(owner);
}

}  // namespace
}  // namespace kino::test
