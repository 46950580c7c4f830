#include "core/paths.h"

namespace kino {

bool IsDriveRoot(TextView path) {
    if (path.starts_with(u"\\\\?\\")) path.remove_prefix(4);
    if (path.size() != 3) return false;
    const char16_t letter = path[0] | 0x20;  // lower case, for letters
    return letter >= u'a' && letter <= u'z' && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/');
}

}  // namespace kino
