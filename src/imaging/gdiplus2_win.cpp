#include "imaging/gdiplus2_win.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "base/message_box.h"
#include "base/win_text.h"
#include "core/platform.h"

namespace kino {

using namespace gdip;

std::vector<GpPen*> PenList;
std::int32_t PenCount = 0;
std::vector<GpBrush*> BrushList;
std::int32_t BrushCount = 0;
std::vector<GpStringFormat*> StringFormatList;
std::int32_t StringFormatCount = 0;
std::vector<GpMatrix*> MatrixList;
std::int32_t MatrixCount = 0;

namespace {

ULONG_PTR g_token = 0;

constexpr GdiplusSessionFunctions kSystemSession{gdip::GdiplusStartup, gdip::GdiplusShutdown};
GdiplusSessionFunctions g_session = kSystemSession;

void ShowBox(TextView text, TextView title, unsigned style) { ShowMessageBox(GetActiveWindow(), text, title, style); }

template <typename Handle>
void DeleteRegistered(const std::vector<Handle>& list, std::int32_t count, GpStatus (*deleteObject)(Handle)) {
    for (std::int32_t i = 1; i <= count; ++i) {
        if (static_cast<std::size_t>(i) < list.size()) deleteObject(list[static_cast<std::size_t>(i)]);
    }
}

// True when drawing the image needs its alpha channel. An indexed image (GIF, 8-bit PNG) needs
// it when a palette entry is see-through; its image flags are no guide (some decoders mark every
// indexed image as having alpha).
bool HasTransparency(GpImage* image, PixelFormat format) {
    if (format & PixelFormatAlpha) return true;
    if (!(format & PixelFormatIndexed)) return false;
    INT size = 0;
    if (GdipGetImagePaletteSize(image, &size) != Ok || size < static_cast<INT>(sizeof(ColorPalette))) return false;
    std::vector<UINT> storage((static_cast<std::size_t>(size) + sizeof(UINT) - 1) / sizeof(UINT));
    auto* palette = reinterpret_cast<ColorPalette*>(storage.data());
    if (GdipGetImagePalette(image, palette, size) != Ok) return false;
    const UINT room = (static_cast<UINT>(size) - offsetof(ColorPalette, Entries)) / sizeof(UINT);
    const UINT count = std::min(palette->Count, room);
    for (UINT i = 0; i < count; ++i) {
        if ((palette->Entries[i] >> 24) != 0xFF) return true;
    }
    return false;
}

// Copies the decoded pixels of source into the (empty) copy of its size and format.
bool CopyPixels(GpImage* source, GpBitmap* copy, INT width, INT height, PixelFormat format) {
    const GpRect all{0, 0, width, height};
    BitmapData target{};
    if (GdipBitmapLockBits(copy, &all, ImageLockModeWrite, format, &target) != Ok) return false;
    // The source writes its pixels straight into the copy's memory.
    BitmapData read{static_cast<UINT>(width), static_cast<UINT>(height), target.Stride, format, target.Scan0, 0};
    bool copied = GdipBitmapLockBits(static_cast<GpBitmap*>(source), &all, ImageLockModeRead | ImageLockModeUserInputBuf,
                                     format, &read) == Ok;
    if (copied) GdipBitmapUnlockBits(static_cast<GpBitmap*>(source), &read);
    GdipBitmapUnlockBits(copy, &target);
    return copied;
}

// Images without pixels to lock (metafiles) are drawn into the copy instead.
bool RenderInto(GpImage* source, GpBitmap* copy, INT width, INT height) {
    GpGraphics* graphics = nullptr;
    if (GdipGetImageGraphicsContext(copy, &graphics) != Ok || !graphics) return false;
    GdipSetCompositingMode(graphics, CompositingModeSourceCopy);
    const bool drawn = GdipDrawImageRect(graphics, source, 0.0f, 0.0f, static_cast<float>(width),
                                         static_cast<float>(height)) == Ok;
    GdipDeleteGraphics(graphics);
    return drawn;
}

// A bitmap of its own holding the fully decoded pixels of image, or null.
GpBitmap* DecodedCopy(GpImage* image) {
    UINT width = 0, height = 0;
    if (GdipGetImageWidth(image, &width) != Ok || GdipGetImageHeight(image, &height) != Ok) return nullptr;
    // GDI+ takes sizes as INT and the stride (width * 4) as INT; the whole must be addressable.
    constexpr std::uint64_t kMaxBytes = std::numeric_limits<std::ptrdiff_t>::max();
    if (width == 0 || height == 0 || width > static_cast<UINT>(std::numeric_limits<INT>::max() / 4) ||
        height > static_cast<UINT>(std::numeric_limits<INT>::max()) ||
        std::uint64_t{width} * height * 4 > kMaxBytes) {
        return nullptr;
    }
    PixelFormat sourceFormat = 0;
    GdipGetImagePixelFormat(image, &sourceFormat);
    const PixelFormat format = HasTransparency(image, sourceFormat) ? PixelFormat32bppPARGB : PixelFormat32bppRGB;

    const INT w = static_cast<INT>(width), h = static_cast<INT>(height);
    GpBitmap* copy = nullptr;
    if (GdipCreateBitmapFromScan0(w, h, 0, format, nullptr, &copy) != Ok || !copy) return nullptr;
    if (CopyPixels(image, copy, w, h, format) || RenderInto(image, copy, w, h)) return copy;
    GdipDisposeImage(copy);
    return nullptr;
}

}  // namespace

ULONG_PTR GdiplusToken() { return g_token; }

GdiplusSessionFunctions SetGdiplusSessionFunctions(const GdiplusSessionFunctions* functions) {
    const GdiplusSessionFunctions old = g_session;
    g_session = functions ? *functions : kSystemSession;
    return old;
}

std::int32_t InitGDIPlus(bool showMessage, bool endOnFailure, TextView message, unsigned style, TextView title) {
    if (g_token != 0) return 0;
    const GdiplusStartupInput input;  // version 1, nothing suppressed, no debug callback
    const GpStatus status = g_session.startup(&g_token, &input, nullptr);
    if (status == Ok) return 0;
    g_token = 0;  // a failed start leaves no session behind
    if (showMessage) ShowBox(message, title, style);
    if (endOnFailure) ExitProcess(static_cast<UINT>(status));
    return status;
}

void TerminateGDIPlus() {
    if (g_token == 0) return;
    ReleaseDrawingObjects();
    g_session.shutdown(g_token);
    g_token = 0;
}

void ReleaseDrawingObjects() {
    DeleteRegistered(PenList, PenCount, GdipDeletePen);
    DeleteRegistered(BrushList, BrushCount, GdipDeleteBrush);
    DeleteRegistered(StringFormatList, StringFormatCount, GdipDeleteStringFormat);
    DeleteRegistered(MatrixList, MatrixCount, GdipDeleteMatrix);
    PenCount = 0;
    BrushCount = 0;
    StringFormatCount = 0;
    MatrixCount = 0;
}

ImageRef LoadImageFile(TextView path) {
    // A NUL inside the text would silently name another file.
    if (path.find(u'\0') != TextView::npos) return 0;
    const Text terminated(path);
    GpImage* original = nullptr;
    if (GdipLoadImageFromFile(Wide(terminated), &original) != Ok || !original) {
        if (original) GdipDisposeImage(original);
        return 0;
    }
    GpBitmap* copy = DecodedCopy(original);
    GdipDisposeImage(original);  // closes the file
    return reinterpret_cast<ImageRef>(static_cast<GpImage*>(copy));
}

void DrawImageZoomed(DrawingSurface& surface, ImageRef image, std::int32_t x, std::int32_t y, float zoom) {
    if (!(zoom > 0.0f)) {  // also catches NaN
        ShowBox(kZoomErrorText, kGdiPlus2Title, kStopIconStyle);
        return;
    }
    const auto draw = [&] {
        bool autoRedraw = false;
        if (!surface.GetAutoRedraw(autoRedraw)) return false;
        if (!autoRedraw && !surface.SetAutoRedraw(true)) return false;
        std::intptr_t hdc = 0;
        if (!surface.GetHdc(hdc)) return false;

        auto* picture = reinterpret_cast<GpImage*>(image);
        GpGraphics* graphics = nullptr;
        GdipCreateFromHDC(reinterpret_cast<HDC>(hdc), &graphics);
        GdipSetSmoothingMode(graphics, SmoothingModeAntiAlias);
        // Whole source pixels, sampled at pixel centres: a zoomed image fills its rectangle to
        // the edge instead of fading out along its border, and drawing is at its fastest.
        GdipSetInterpolationMode(graphics, InterpolationModeNearestNeighbor);
        GdipSetPixelOffsetMode(graphics, PixelOffsetModeHalf);
        UINT width = 0, height = 0;
        GdipGetImageWidth(picture, &width);
        GdipGetImageHeight(picture, &height);
        const double destHeight = static_cast<double>(zoom) * height;
        const double destWidth = static_cast<double>(zoom) * width;
        // An infinite zoom gives an infinite size, or no number at all for a side of 0.
        constexpr double kFloatMax = std::numeric_limits<float>::max();
        const bool sized = std::fabs(destHeight) <= kFloatMax && std::fabs(destWidth) <= kFloatMax;
        if (sized) {
            GdipDrawImageRect(graphics, picture, static_cast<float>(x), static_cast<float>(y),
                              static_cast<float>(destWidth), static_cast<float>(destHeight));
        }
        GdipDeleteGraphics(graphics);
        return sized && surface.Refresh();
    };
    if (!draw()) ShowBox(kDrawErrorText, kGdiPlus2Title, kStopIconStyle);
}

}  // namespace kino
