#include "shell/browse_folder.h"

#include <objbase.h>
#include <shlobj.h>

#include "base/win_text.h"

namespace kino {
namespace {

// The dialog needs COM on this thread; initialise it for the call unless someone already has.
class ComScope {
public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComScope() { if (SUCCEEDED(hr_)) CoUninitialize(); }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT hr_;
};

constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;  // 3

}  // namespace

Text BrowseForFolder(HWND owner, TextView title) {
    ComScope com;
    Text titleCopy(title);
    // The Unicode forms keep every folder name intact, whatever the system code page.
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = Wide(titleCopy);
    info.ulFlags = kBrowseFlags;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
    if (!item) return {};
    wchar_t path[MAX_PATH] = {};
    SHGetPathFromIDListW(item, path);
    CoTaskMemFree(item);
    return FromWide(path);  // up to the first NUL; empty when the item has no path
}

}  // namespace kino
