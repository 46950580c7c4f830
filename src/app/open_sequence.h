// Opening a sequence from a folder, chosen in the dialog or dropped on the window, or from
// one of its frame files dropped there.
#pragma once
#include "core/platform.h"
#include "core/text.h"
#include "playback/playback.h"

namespace kino {

// A dropped file of another type is refused with prefix, its name and suffix.
inline constexpr char16_t kRefusedTypePrefix[] = u"类型错误：不能打开";
inline constexpr char16_t kRefusedTypeSuffix[] = u"，只能打开jpg、jpeg、bmp或png图像。";

// The folder becomes the folder label's caption, empty included. When the prefix box is empty and the
// folder holds one numbered sequence, it fills the prefix, the type and each empty number box.
void OpenFolder(FormControls& form, FileSystem& files, TextView folder);

// A dropped folder opens as chosen in the dialog. A dropped image file sets the folder, the
// type, the prefix (the name before its trailing digits) and the numbers to the ends of the
// unbroken run around it; a file of another type is refused in the info box, nothing changed.
void OpenDroppedPath(FormControls& form, FileSystem& files, TextView path);

}  // namespace kino
