#include "app/drop_win.h"

#include <vector>

#include "base/text_win.h"

namespace kino {

Text TakeFirstDroppedPath(HDROP drop) {
    Text path;
    // Several files: the first one counts.
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        std::vector<wchar_t> buffer(DragQueryFileW(drop, 0, nullptr, 0) + 1);
        const UINT length = DragQueryFileW(drop, 0, buffer.data(), static_cast<UINT>(buffer.size()));
        path = FromWide(buffer.data(), length);
    }
    DragFinish(drop);
    return path;
}

}  // namespace kino
