// GDIPlus2: the program's GDI+ session, and loading and drawing single images.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "core/text.h"
#include "imaging/gdiplus_api_win.h"
#include "imaging/image_service.h"

namespace kino {

inline constexpr char16_t kGdiPlus2Title[] = u"GDIPlus2";
inline constexpr char16_t kZoomErrorText[] = u"出现参数错误：Zoom的值应大于0。";
inline constexpr char16_t kDrawErrorText[] = u"出现绘制错误。";

// Starts the session unless one runs (then 0 at once). On failure shows the box when asked,
// ends the process when asked (exit code: the status), else returns the non-zero status.
std::int32_t InitGDIPlus(bool showMessage, bool endOnFailure, TextView message, unsigned style, TextView title);

// Releases the registered drawing objects and ends the session; nothing without one.
void TerminateGDIPlus();

// Deletes the registered pens, brushes, string formats and matrices and sets the counts to 0.
void ReleaseDrawingObjects();

// The running session's token; 0 = no session.
ULONG_PTR GdiplusToken();

// GDI+ drawing objects kept by the module, at indices 1 to the count. Nothing registers any,
// so the counts stay 0; the registries exist so that the session's end releases whatever would.
extern std::vector<gdip::GpPen*> PenList;
extern std::int32_t PenCount;
extern std::vector<gdip::GpBrush*> BrushList;
extern std::int32_t BrushCount;
extern std::vector<gdip::GpStringFormat*> StringFormatList;
extern std::int32_t StringFormatCount;
extern std::vector<gdip::GpMatrix*> MatrixList;
extern std::int32_t MatrixCount;

// Decodes the file completely into a bitmap of its own and lets go of the file: nothing is
// decoded later, the file stays free to be moved or deleted. Opaque images become 32bpp RGB
// (the fastest to draw), images with transparency premultiplied ARGB. 0 on any failure.
// JPEG, PNG and BMP files are decoded by WIC straight into that bitmap; what WIC leaves, GDI+ loads.
ImageRef LoadImageFile(TextView path);

// The same with the calling thread's decoder, for loading many files in a row.
class WicFrameDecoder;
ImageRef LoadImageFile(TextView path, WicFrameDecoder& decoder);

// Draws image scaled by zoom with its top-left corner at (x, y) of the surface, then refreshes
// the surface. Reports a zoom that is not above 0, and a surface that fails, in boxes.
void DrawImageZoomed(DrawingSurface& surface, ImageRef image, std::int32_t x, std::int32_t y, float zoom);

// Test seam: the functions that start and end GDI+ (null restores the real ones).
struct GdiplusSessionFunctions {
    gdip::GpStatus (*startup)(ULONG_PTR* token, const gdip::GdiplusStartupInput* input, void* output);
    void (*shutdown)(ULONG_PTR token);
};
GdiplusSessionFunctions SetGdiplusSessionFunctions(const GdiplusSessionFunctions* functions);

}  // namespace kino
