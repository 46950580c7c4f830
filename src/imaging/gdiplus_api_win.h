// The part of GDI+'s flat interface that the program calls, bound by name from gdiplus.dll at
// each entry's first call. Without the library, or without an entry, a call does nothing and
// returns GdiplusNotInitialized, so a missing GDI+ shows up as a failed start instead of a
// loader error.
#pragma once
#include <windows.h>

namespace kino::gdip {

enum GpStatus : int {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    Win32Error = 7,
    GdiplusNotInitialized = 18,
};

struct GpImage {};
struct GpBitmap : GpImage {};
struct GpGraphics;
struct GpPen;
struct GpBrush;
struct GpStringFormat;
struct GpMatrix;

using PixelFormat = INT;
inline constexpr PixelFormat PixelFormatIndexed = 0x00010000;
inline constexpr PixelFormat PixelFormatAlpha = 0x00040000;
inline constexpr PixelFormat PixelFormat24bppRGB = 0x00021808;
inline constexpr PixelFormat PixelFormat32bppRGB = 0x00022009;
inline constexpr PixelFormat PixelFormat32bppARGB = 0x0026200A;
inline constexpr PixelFormat PixelFormat32bppPARGB = 0x000E200B;

inline constexpr UINT ImageLockModeRead = 1;
inline constexpr UINT ImageLockModeWrite = 2;
inline constexpr UINT ImageLockModeUserInputBuf = 4;

inline constexpr int SmoothingModeAntiAlias = 4;
inline constexpr int CompositingModeSourceCopy = 1;
inline constexpr int InterpolationModeNearestNeighbor = 5;
inline constexpr int PixelOffsetModeHalf = 4;

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

GpStatus GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, void* output);
void GdiplusShutdown(ULONG_PTR token);
GpStatus GdipDeletePen(GpPen* pen);
GpStatus GdipDeleteBrush(GpBrush* brush);
GpStatus GdipDeleteStringFormat(GpStringFormat* format);
GpStatus GdipDeleteMatrix(GpMatrix* matrix);

GpStatus GdipLoadImageFromFile(const WCHAR* path, GpImage** image);
GpStatus GdipDisposeImage(GpImage* image);
GpStatus GdipGetImageWidth(GpImage* image, UINT* width);
GpStatus GdipGetImageHeight(GpImage* image, UINT* height);
GpStatus GdipGetImagePixelFormat(GpImage* image, PixelFormat* format);

GpStatus GdipCreateBitmapFromScan0(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0,
                                   GpBitmap** bitmap);
GpStatus GdipBitmapLockBits(GpBitmap* bitmap, const GpRect* rect, UINT flags, PixelFormat format, BitmapData* data);
GpStatus GdipBitmapUnlockBits(GpBitmap* bitmap, BitmapData* data);

// Encodes image into a file with the encoder of the class id (used to write test images).
GpStatus GdipSaveImageToFile(GpImage* image, const WCHAR* path, const CLSID* encoder, const void* parameters);

GpStatus GdipCreateFromHDC(HDC dc, GpGraphics** graphics);
GpStatus GdipGetImageGraphicsContext(GpImage* image, GpGraphics** graphics);
GpStatus GdipDeleteGraphics(GpGraphics* graphics);
GpStatus GdipSetSmoothingMode(GpGraphics* graphics, int mode);
GpStatus GdipSetCompositingMode(GpGraphics* graphics, int mode);
GpStatus GdipSetInterpolationMode(GpGraphics* graphics, int mode);
GpStatus GdipSetPixelOffsetMode(GpGraphics* graphics, int mode);
GpStatus GdipDrawImageRect(GpGraphics* graphics, GpImage* image, float x, float y, float width, float height);

}  // namespace kino::gdip
