#include "shell/browse_folder_win.h"

#include <shlobj.h>

#include "base/handles_win.h"
#include "base/text_win.h"

namespace kino {

Text BrowseForFolder(HWND owner, TextView title) {
    // The dialog needs COM on this thread; a thread already in it stays as it is.
    const ComScope com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const std::wstring titleText = WideString(title);
    // The Unicode forms keep every folder name intact, whatever the system code page.
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = titleText.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
    if (!item) return {};
    wchar_t path[MAX_PATH] = {};
    SHGetPathFromIDListW(item, path);
    CoTaskMemFree(item);
    return FromWide(path);  // up to the first NUL; empty when the item has no path
}

}  // namespace kino
