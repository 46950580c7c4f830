#include "imaging/frame_images_win.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/message_box_win.h"
#include "base/text_win.h"
#include "core/platform.h"
#include "imaging/frame_decoder_win.h"
#include "imaging/gdiplus_bitmap_win.h"
#include "imaging/pixel_rows.h"

namespace kino {

using namespace gdip;

namespace {

ULONG_PTR g_token = 0;

enum class Copied { No, Opaque, SeeThrough };

// The common layouts (what JPEG, BMP and PNG decode to), copied by hand in one pass that also
// tells whether any pixel is see-through: GDI+'s general conversion is several times slower.
Copied CopyCommonLayout(GpImage* source, PixelFormat format, const LockedPixels& target, INT width, INT height) {
    if (format != PixelFormat24bppRGB && format != PixelFormat32bppRGB && format != PixelFormat32bppARGB) {
        return Copied::No;
    }
    LockedPixels pixels(source, width, height, ImageLockModeRead, format);  // as decoded: no conversion
    if (!pixels.Locked()) return Copied::No;
    std::uint32_t alpha = 0xFF000000u;  // stays so while every pixel is opaque
    for (INT y = 0; y < height; ++y) {
        const BYTE* from = pixels.Row(y);
        auto* to = reinterpret_cast<std::uint32_t*>(target.Row(y));
        if (format == PixelFormat24bppRGB) {
            ExpandBgrRow(from, to, static_cast<std::size_t>(width));
        } else {
            const auto* row = reinterpret_cast<const std::uint32_t*>(from);
            for (INT x = 0; x < width; ++x) {
                alpha &= row[x];
                to[x] = row[x] | 0xFF000000u;
            }
        }
    }
    return format == PixelFormat32bppARGB && (alpha & 0xFF000000u) != 0xFF000000u ? Copied::SeeThrough
                                                                                 : Copied::Opaque;
}

bool AllOpaque(const LockedPixels& pixels, INT width, INT height) {
    for (INT y = 0; y < height; ++y) {
        if (!RowOpaque(reinterpret_cast<const std::uint32_t*>(pixels.Row(y)), static_cast<std::size_t>(width))) {
            return false;
        }
    }
    return true;
}

// Fills copy (32bpp RGB, of the source's size) with the decoded pixels of source, and tells
// whether the image needs its alpha. Other layouts are read as ARGB straight into the copy's
// memory, whose unused fourth byte then carries the alpha: many images declare alpha that none
// of their pixels use.
Copied CopyPixels(GpImage* source, PixelFormat format, GpBitmap* copy, INT width, INT height) {
    LockedPixels target(copy, width, height, ImageLockModeWrite, PixelFormat32bppRGB);
    if (!target.Locked()) return Copied::No;
    const Copied common = CopyCommonLayout(source, format, target, width, height);
    if (common != Copied::No) return common;
    const BitmapData into{static_cast<UINT>(width), static_cast<UINT>(height), target.Data().Stride,
                          PixelFormat32bppARGB, target.Data().Scan0, 0};
    if (!LockedPixels(source, width, height, ImageLockModeRead, PixelFormat32bppARGB, &into).Locked()) {
        return Copied::No;
    }
    const bool mayBeSeeThrough = (format & (PixelFormatAlpha | PixelFormatIndexed)) != 0;
    return mayBeSeeThrough && !AllOpaque(target, width, height) ? Copied::SeeThrough : Copied::Opaque;
}

// Copies source into a new bitmap of the format, letting GDI+ convert (and premultiply).
GpBitmap* ConvertedCopy(GpImage* source, PixelFormat format, INT width, INT height) {
    GpBitmap* copy = NewBitmap(width, height, format);
    if (!copy) return nullptr;
    bool copied = false;
    {
        LockedPixels target(copy, width, height, ImageLockModeWrite, format);
        if (target.Locked()) {
            const BitmapData into{static_cast<UINT>(width), static_cast<UINT>(height), target.Data().Stride, format,
                                  target.Data().Scan0, 0};
            copied = LockedPixels(source, width, height, ImageLockModeRead, format, &into).Locked();
        }
    }
    if (copied) return copy;
    GdipDisposeImage(copy);
    return nullptr;
}

// Images without pixels to lock (metafiles) are drawn, at their full size, into a premultiplied
// bitmap of the part kept instead.
GpBitmap* RenderedCopy(GpImage* source, INT width, INT height, UINT fullWidth, UINT fullHeight) {
    GpBitmap* copy = NewBitmap(width, height, PixelFormat32bppPARGB);
    if (!copy) return nullptr;
    GpGraphics* graphics = nullptr;
    bool drawn = false;
    if (GdipGetImageGraphicsContext(copy, &graphics) == Ok && graphics) {
        GdipSetCompositingMode(graphics, CompositingModeSourceCopy);
        drawn = GdipDrawImageRect(graphics, source, 0.0f, 0.0f, static_cast<float>(fullWidth),
                                  static_cast<float>(fullHeight)) == Ok;
        GdipDeleteGraphics(graphics);
    }
    if (drawn) return copy;
    GdipDisposeImage(copy);
    return nullptr;
}

// A bitmap of its own holding the decoded pixels of image's top-left part (at most limit), or
// null: 32bpp RGB when every pixel is opaque, else premultiplied ARGB.
GpBitmap* DecodedCopy(GpImage* image, ImageSize limit) {
    UINT width = 0, height = 0;
    if (GdipGetImageWidth(image, &width) != Ok || GdipGetImageHeight(image, &height) != Ok) return nullptr;
    const ImageSize held = HeldPart({width, height}, limit);
    if (!BitmapSizeFits(held.width, held.height)) return nullptr;
    const INT w = static_cast<INT>(held.width), h = static_cast<INT>(held.height);
    PixelFormat format = 0;
    GdipGetImagePixelFormat(image, &format);

    GpBitmap* copy = NewBitmap(w, h, PixelFormat32bppRGB);
    if (!copy) return nullptr;
    const Copied copied = CopyPixels(image, format, copy, w, h);
    if (copied == Copied::Opaque) return copy;
    GdipDisposeImage(copy);
    return copied == Copied::SeeThrough ? ConvertedCopy(image, PixelFormat32bppPARGB, w, h)
                                        : RenderedCopy(image, w, h, width, height);
}

// Draws the image at (x, y), only the part that lands inside the surface's clip box, so that a
// large frame costs what the box shows; the same pixels as drawing it whole.
void DrawVisiblePart(GpGraphics* graphics, HDC dc, GpImage* image, std::int32_t x, std::int32_t y) {
    UINT width = 0, height = 0;
    GdipGetImageWidth(image, &width);
    GdipGetImageHeight(image, &height);
    // The part, in the image's pixels.
    std::int64_t left = 0, top = 0, right = width, bottom = height;
    RECT clip{};
    const int region = GetClipBox(dc, &clip);
    if (region == NULLREGION) return;
    if (region != ERROR) {
        left = std::max<std::int64_t>(left, std::int64_t{clip.left} - x);
        top = std::max<std::int64_t>(top, std::int64_t{clip.top} - y);
        right = std::min<std::int64_t>(right, std::int64_t{clip.right} - x);
        bottom = std::min<std::int64_t>(bottom, std::int64_t{clip.bottom} - y);
        if (right <= left || bottom <= top) return;
    }
    const auto i = [](std::int64_t value) { return static_cast<INT>(value); };
    const INT partWidth = i(right - left), partHeight = i(bottom - top);
    // Wine blends from a bitmap with alpha into the display's format at a cost that follows the
    // whole bitmap's size, whatever part is drawn (10 ms for a 1080p frame into a 256-pixel box):
    // such a part is drawn from a copy of its own.
    PixelFormat format = 0;
    GdipGetImagePixelFormat(image, &format);
    GpBitmap* copy = nullptr;
    if ((right - left < width || bottom - top < height) && (format & (PixelFormatAlpha | PixelFormatPAlpha)) != 0 &&
        GdipCloneBitmapAreaI(i(left), i(top), partWidth, partHeight, format, static_cast<GpBitmap*>(image), &copy) ==
            Ok &&
        copy) {
        const UniqueGpImage owned(copy);
        GdipDrawImageRectRectI(graphics, copy, i(x + left), i(y + top), partWidth, partHeight, 0, 0, partWidth,
                               partHeight, UnitPixel, nullptr, nullptr, nullptr);
        return;
    }
    GdipDrawImageRectRectI(graphics, image, i(x + left), i(y + top), partWidth, partHeight, i(left), i(top), partWidth,
                           partHeight, UnitPixel, nullptr, nullptr, nullptr);
}

}  // namespace

std::int32_t InitGDIPlus() {
    if (g_token != 0) return 0;
    const GdiplusStartupInput input;  // version 1, nothing suppressed, no debug callback
    const GpStatus status = GdiplusStartup(&g_token, &input, nullptr);
    if (status != Ok) g_token = 0;  // a failed start leaves no session behind
    return status;
}

void TerminateGDIPlus() {
    if (g_token == 0) return;
    GdiplusShutdown(g_token);
    g_token = 0;
}

ImageRef LoadImageFile(TextView path, ImageSize limit, FrameDecoder& decoder) {
    // A NUL inside the text would silently name another file.
    if (path.find(u'\0') != TextView::npos) return 0;
    const std::wstring terminated = WideString(path);
    if (GpBitmap* decoded = decoder.Decode(terminated.c_str(), limit)) {
        return reinterpret_cast<ImageRef>(static_cast<GpImage*>(decoded));
    }
    if (decoder.Stopped()) return 0;  // the load no longer wants it
    GpImage* original = nullptr;
    if (GdipLoadImageFromFile(terminated.c_str(), &original) != Ok || !original) {
        if (original) GdipDisposeImage(original);
        return 0;
    }
    GpBitmap* copy = DecodedCopy(original, limit);
    GdipDisposeImage(original);  // closes the file
    return reinterpret_cast<ImageRef>(static_cast<GpImage*>(copy));
}

void DrawImage(DrawingSurface& surface, ImageRef image, std::int32_t x, std::int32_t y, HWND owner) {
    const auto draw = [&] {
        std::intptr_t hdc = 0;
        if (!surface.GetHdc(hdc)) return false;

        auto* picture = reinterpret_cast<GpImage*>(image);
        GpGraphics* graphics = nullptr;
        // Without graphics nothing would be drawn, yet the frame would look drawn.
        if (GdipCreateFromHDC(reinterpret_cast<HDC>(hdc), &graphics) != Ok || !graphics) return false;
        // Whole source pixels, sampled at pixel centres: the image fills its rectangle to the
        // edge instead of fading out along its border, and drawing is at its fastest.
        GdipSetInterpolationMode(graphics, InterpolationModeNearestNeighbor);
        GdipSetPixelOffsetMode(graphics, PixelOffsetModeHalf);
        DrawVisiblePart(graphics, reinterpret_cast<HDC>(hdc), picture, x, y);
        GdipDeleteGraphics(graphics);
        return surface.Refresh();
    };
    if (!draw()) ShowMessageBox(owner, kDrawErrorText, kDrawErrorTitle, kStopIconStyle);
}

}  // namespace kino
