// The picture box: a child window with a persistent image of its client size behind it.
// Drawing goes into a memory DC (a bitmap in the display's format); the window shows that image
// when it paints. Refresh shows it at once; clearing fills it with the window-background colour
// and lets the next paint show the cleared box.
#pragma once
#include <windows.h>

#include "core/image_service.h"

namespace kino {

// Creates the box as a child of parent with the control id, rectangle (window coordinates,
// pixels) and styles; WS_CHILD and WS_CLIPSIBLINGS are always added. Returns null on failure.
HWND CreatePictureBox(HWND parent, int id, int x, int y, int width, int height, DWORD style, DWORD exStyle);

// The box as a drawing surface (its image's DC, Refresh); null when box is not a picture box.
// Lives as long as the window.
DrawingSurface* PictureBoxSurface(HWND box);

// Clears the persistent image to the window-background colour (COLOR_WINDOW).
void ClearPictureBox(HWND box);

}  // namespace kino
