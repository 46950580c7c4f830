// GDIPlus2: the program's GDI+ session, and loading and drawing single images.
#pragma once
#include <windows.h>

#include <cstdint>

#include "core/image_service.h"
#include "imaging/gdiplus_api_win.h"

namespace kino {

class FrameDecoder;

inline constexpr char16_t kGdiPlus2Title[] = u"GDIPlus2";
inline constexpr char16_t kDrawErrorText[] = u"出现绘制错误。";

// Starts the session unless one runs (then 0 at once). On failure shows the box when asked,
// ends the process when asked (exit code: the status), else returns the non-zero status.
std::int32_t InitGDIPlus(bool showMessage, bool endOnFailure, TextView message, unsigned style, TextView title);

// Ends the session; nothing without one.
void TerminateGDIPlus();

// The running session's token; 0 = no session.
ULONG_PTR GdiplusToken();

// Decodes the file's top-left part, at most limit (all that is ever shown), into a bitmap of its
// own and lets go of the file: nothing is decoded later, the file stays free to be moved or deleted. Opaque images become 32bpp RGB
// (the fastest to draw), images with transparency premultiplied ARGB. 0 on any failure.
// JPEG and PNG files are decoded by the calling thread's libjpeg-turbo and libspng (where the build
// has them), JPEG, PNG and BMP files by its WIC decoder, straight into that bitmap; what those
// leave, GDI+ loads.
ImageRef LoadImageFile(TextView path, ImageSize limit, FrameDecoder& decoder);

// Draws image unscaled with its top-left corner at (x, y) of the surface, then refreshes the
// surface. A surface that fails is reported in a box owned by owner.
void DrawImage(DrawingSurface& surface, ImageRef image, std::int32_t x, std::int32_t y, HWND owner);

}  // namespace kino
