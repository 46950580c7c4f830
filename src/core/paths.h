// Reading Windows paths as text.
#pragma once
#include "core/text.h"

namespace kino {

// The root of a drive: "C:\", or "\\?\C:\". NTFS marks such a root hidden and system, and it is
// still a folder the user may choose.
bool IsDriveRoot(TextView path);

}  // namespace kino
