// The program's GDI+ session, and loading and drawing one frame image.
#pragma once
#include <windows.h>

#include <cstdint>

#include "core/image_service.h"
#include "imaging/gdiplus_api_win.h"

namespace kino {

class FrameDecoder;

inline constexpr char16_t kDrawErrorTitle[] = u"GDIPlus2";  // the drawing-error box's title
inline constexpr char16_t kDrawErrorText[] = u"出现绘制错误。";

// Starts the session unless one runs. 0 when a session runs, else GDI+'s status of the failed
// start (the caller decides what to say and whether to go on).
std::int32_t InitGDIPlus();

// Ends the session; nothing without one.
void TerminateGDIPlus();

// Decodes the file's top-left part, at most limit (all that is ever shown), into a bitmap of its
// own and lets go of the file: nothing is decoded later, the file stays free to be moved or
// deleted. Opaque images become 32bpp RGB (the fastest to draw), images with transparency
// premultiplied ARGB. 0 on any failure. The calling thread's FrameDecoder decodes what it can
// straight into that bitmap; what it leaves, GDI+ loads.
ImageRef LoadImageFile(TextView path, ImageSize limit, FrameDecoder& decoder);

// Draws image unscaled with its top-left corner at (x, y) of the surface, then refreshes the
// surface. A surface that fails is reported in a box owned by owner.
void DrawImage(DrawingSurface& surface, ImageRef image, std::int32_t x, std::int32_t y, HWND owner);

}  // namespace kino
