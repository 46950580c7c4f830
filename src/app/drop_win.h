// Files dropped on the window from Explorer.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include "core/text.h"

namespace kino {

// The first path of a WM_DROPFILES drop (empty when there is none), then frees the drop.
Text TakeFirstDroppedPath(HDROP drop);

}  // namespace kino
