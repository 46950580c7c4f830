// The folder chooser behind the "文件夹" button.
#pragma once
#include <windows.h>

#include "core/text.h"

namespace kino {

// Shows the shell's folder dialog, modal to owner, and returns the chosen folder's path as the
// shell gives it, or the empty text when the user cancels or the item has no file-system path.
Text BrowseForFolder(HWND owner, TextView title);

}  // namespace kino
