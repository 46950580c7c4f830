// The part of GDI+'s flat interface that the program calls, bound by name from gdiplus.dll at
// each entry's first call. Without the library, or without an entry, a call does nothing and
// returns GdiplusNotInitialized, so a missing GDI+ shows up as a failed start instead of a
// loader error.
#pragma once
#include <windows.h>

#include "base/dll_function_win.h"

namespace kino::gdip {

enum GpStatus : int { Ok = 0, OutOfMemory = 3, GdiplusNotInitialized = 18 };  // the statuses the program tells apart

struct GpImage {};
struct GpBitmap : GpImage {};
struct GpGraphics;

using PixelFormat = INT;
inline constexpr PixelFormat PixelFormatIndexed = 0x00010000;
inline constexpr PixelFormat PixelFormatAlpha = 0x00040000;
inline constexpr PixelFormat PixelFormatPAlpha = 0x00080000;
inline constexpr PixelFormat PixelFormat24bppRGB = 0x00021808;
inline constexpr PixelFormat PixelFormat32bppRGB = 0x00022009;
inline constexpr PixelFormat PixelFormat32bppARGB = 0x0026200A;
inline constexpr PixelFormat PixelFormat32bppPARGB = 0x000E200B;

inline constexpr UINT ImageLockModeRead = 1;
inline constexpr UINT ImageLockModeWrite = 2;
inline constexpr UINT ImageLockModeUserInputBuf = 4;

inline constexpr int CompositingModeSourceCopy = 1;
inline constexpr int InterpolationModeNearestNeighbor = 5;
inline constexpr int PixelOffsetModeHalf = 4;
inline constexpr int UnitPixel = 2;

struct GdiplusStartupInput {
    UINT32 GdiplusVersion = 1;
    void* DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;
};

struct GpRect {
    INT X, Y, Width, Height;
};

struct BitmapData {
    UINT Width;
    UINT Height;
    INT Stride;
    PixelFormat Format;
    void* Scan0;
    UINT_PTR Reserved;
};

inline constexpr wchar_t kGdiplusDll[] = L"gdiplus.dll";

template <typename Signature>
struct GdiplusFunction : DllFunction<kGdiplusDll, Signature> {
    constexpr explicit GdiplusFunction(const char* name)
        : DllFunction<kGdiplusDll, Signature>(name, GdiplusNotInitialized) {}
};

#define KINO_GDIPLUS(name, signature) inline const GdiplusFunction<signature> name{#name}
// clang-format off
KINO_GDIPLUS(GdiplusStartup, GpStatus(ULONG_PTR* token, const GdiplusStartupInput* input, void* output));
KINO_GDIPLUS(GdiplusShutdown, void(ULONG_PTR token));
KINO_GDIPLUS(GdipLoadImageFromFile, GpStatus(const WCHAR* path, GpImage** image));
KINO_GDIPLUS(GdipDisposeImage, GpStatus(GpImage* image));
KINO_GDIPLUS(GdipGetImageWidth, GpStatus(GpImage* image, UINT* width));
KINO_GDIPLUS(GdipGetImageHeight, GpStatus(GpImage* image, UINT* height));
KINO_GDIPLUS(GdipGetImagePixelFormat, GpStatus(GpImage* image, PixelFormat* format));
KINO_GDIPLUS(GdipCreateBitmapFromScan0, GpStatus(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0,
    GpBitmap** bitmap));
KINO_GDIPLUS(GdipBitmapLockBits, GpStatus(GpBitmap* bitmap, const GpRect* rect, UINT flags, PixelFormat format,
    BitmapData* data));
KINO_GDIPLUS(GdipBitmapUnlockBits, GpStatus(GpBitmap* bitmap, BitmapData* data));
KINO_GDIPLUS(GdipCloneBitmapAreaI, GpStatus(INT x, INT y, INT width, INT height, PixelFormat format,
    GpBitmap* source, GpBitmap** clone));
KINO_GDIPLUS(GdipCreateFromHDC, GpStatus(HDC dc, GpGraphics** graphics));
KINO_GDIPLUS(GdipGetImageGraphicsContext, GpStatus(GpImage* image, GpGraphics** graphics));
KINO_GDIPLUS(GdipDeleteGraphics, GpStatus(GpGraphics* graphics));
KINO_GDIPLUS(GdipSetCompositingMode, GpStatus(GpGraphics* graphics, int mode));
KINO_GDIPLUS(GdipSetInterpolationMode, GpStatus(GpGraphics* graphics, int mode));
KINO_GDIPLUS(GdipSetPixelOffsetMode, GpStatus(GpGraphics* graphics, int mode));
KINO_GDIPLUS(GdipDrawImageRect, GpStatus(GpGraphics* graphics, GpImage* image, float x, float y, float width,
    float height));
KINO_GDIPLUS(GdipDrawImageRectRectI, GpStatus(GpGraphics* graphics, GpImage* image, INT x, INT y, INT width,
    INT height, INT srcX, INT srcY, INT srcWidth, INT srcHeight, int srcUnit, const void* attributes, void* abort,
    void* abortData));
// clang-format on
#undef KINO_GDIPLUS

}  // namespace kino::gdip
