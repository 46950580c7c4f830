#include "imaging/gdiplus_api_win.h"

#include <atomic>
#include <cstddef>

namespace kino::gdip {
namespace {

// One slot per entry the program calls, in the order of kEntryNames.
enum Entry : std::size_t {
    kStartup,
    kShutdown,
    kDeletePen,
    kDeleteBrush,
    kDeleteStringFormat,
    kDeleteMatrix,
    kLoadImageFromFile,
    kDisposeImage,
    kGetImageWidth,
    kGetImageHeight,
    kGetImagePixelFormat,
    kCreateBitmapFromScan0,
    kBitmapLockBits,
    kBitmapUnlockBits,
    kSaveImageToFile,
    kCreateFromHDC,
    kGetImageGraphicsContext,
    kDeleteGraphics,
    kSetSmoothingMode,
    kSetCompositingMode,
    kSetInterpolationMode,
    kSetPixelOffsetMode,
    kDrawImageRect,
    kEntryCount
};

constexpr const char* kEntryNames[kEntryCount] = {
    "GdiplusStartup",
    "GdiplusShutdown",
    "GdipDeletePen",
    "GdipDeleteBrush",
    "GdipDeleteStringFormat",
    "GdipDeleteMatrix",
    "GdipLoadImageFromFile",
    "GdipDisposeImage",
    "GdipGetImageWidth",
    "GdipGetImageHeight",
    "GdipGetImagePixelFormat",
    "GdipCreateBitmapFromScan0",
    "GdipBitmapLockBits",
    "GdipBitmapUnlockBits",
    "GdipSaveImageToFile",
    "GdipCreateFromHDC",
    "GdipGetImageGraphicsContext",
    "GdipDeleteGraphics",
    "GdipSetSmoothingMode",
    "GdipSetCompositingMode",
    "GdipSetInterpolationMode",
    "GdipSetPixelOffsetMode",
    "GdipDrawImageRect",
};

std::atomic<void*> g_entries[kEntryCount];

HMODULE Library() {
    static const HMODULE library = LoadLibraryW(L"gdiplus.dll");
    return library;
}

// The entry's address, looked up at its first call; workers may race here, and both find the
// same address. A missing entry is looked up again next time (only on a broken system).
void* Resolve(Entry entry) {
    void* address = g_entries[entry].load(std::memory_order_acquire);
    if (address) return address;
    HMODULE library = Library();
    if (!library) return nullptr;
    address = reinterpret_cast<void*>(GetProcAddress(library, kEntryNames[entry]));
    if (address) g_entries[entry].store(address, std::memory_order_release);
    return address;
}

// Calls the entry with the signature WINAPI Result(Args...), or returns the "not bound" status.
template <typename... Args>
GpStatus Call(Entry entry, Args... args) {
    using Function = GpStatus(WINAPI*)(Args...);
    void* address = Resolve(entry);
    if (!address) return GdiplusNotInitialized;
    return reinterpret_cast<Function>(address)(args...);
}

}  // namespace

GpStatus GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, void* output) {
    return Call(kStartup, token, input, output);
}

void GdiplusShutdown(ULONG_PTR token) {
    using Function = void(WINAPI*)(ULONG_PTR);
    if (void* address = Resolve(kShutdown)) reinterpret_cast<Function>(address)(token);
}

GpStatus GdipDeletePen(GpPen* pen) { return Call(kDeletePen, pen); }
GpStatus GdipDeleteBrush(GpBrush* brush) { return Call(kDeleteBrush, brush); }
GpStatus GdipDeleteStringFormat(GpStringFormat* format) { return Call(kDeleteStringFormat, format); }
GpStatus GdipDeleteMatrix(GpMatrix* matrix) { return Call(kDeleteMatrix, matrix); }

GpStatus GdipLoadImageFromFile(const WCHAR* path, GpImage** image) { return Call(kLoadImageFromFile, path, image); }
GpStatus GdipDisposeImage(GpImage* image) { return Call(kDisposeImage, image); }
GpStatus GdipGetImageWidth(GpImage* image, UINT* width) { return Call(kGetImageWidth, image, width); }
GpStatus GdipGetImageHeight(GpImage* image, UINT* height) { return Call(kGetImageHeight, image, height); }
GpStatus GdipGetImagePixelFormat(GpImage* image, PixelFormat* format) {
    return Call(kGetImagePixelFormat, image, format);
}

GpStatus GdipCreateBitmapFromScan0(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0,
                                   GpBitmap** bitmap) {
    return Call(kCreateBitmapFromScan0, width, height, stride, format, scan0, bitmap);
}
GpStatus GdipBitmapLockBits(GpBitmap* bitmap, const GpRect* rect, UINT flags, PixelFormat format, BitmapData* data) {
    return Call(kBitmapLockBits, bitmap, rect, flags, format, data);
}
GpStatus GdipBitmapUnlockBits(GpBitmap* bitmap, BitmapData* data) { return Call(kBitmapUnlockBits, bitmap, data); }

GpStatus GdipSaveImageToFile(GpImage* image, const WCHAR* path, const CLSID* encoder, const void* parameters) {
    return Call(kSaveImageToFile, image, path, encoder, parameters);
}

GpStatus GdipCreateFromHDC(HDC dc, GpGraphics** graphics) { return Call(kCreateFromHDC, dc, graphics); }
GpStatus GdipGetImageGraphicsContext(GpImage* image, GpGraphics** graphics) {
    return Call(kGetImageGraphicsContext, image, graphics);
}
GpStatus GdipDeleteGraphics(GpGraphics* graphics) { return Call(kDeleteGraphics, graphics); }
GpStatus GdipSetSmoothingMode(GpGraphics* graphics, int mode) { return Call(kSetSmoothingMode, graphics, mode); }
GpStatus GdipSetCompositingMode(GpGraphics* graphics, int mode) {
    return Call(kSetCompositingMode, graphics, mode);
}
GpStatus GdipSetInterpolationMode(GpGraphics* graphics, int mode) {
    return Call(kSetInterpolationMode, graphics, mode);
}
GpStatus GdipSetPixelOffsetMode(GpGraphics* graphics, int mode) {
    return Call(kSetPixelOffsetMode, graphics, mode);
}
GpStatus GdipDrawImageRect(GpGraphics* graphics, GpImage* image, float x, float y, float width, float height) {
    return Call(kDrawImageRect, graphics, image, x, y, width, height);
}

}  // namespace kino::gdip
