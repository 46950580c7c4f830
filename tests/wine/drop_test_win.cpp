// Frame files dropped on the real window, as Explorer sends them: WM_DROPFILES with a DROPFILES
// block in global memory. What a drop fills in is tested natively.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

#include "base/text_win.h"
#include "form_fixture_win.h"
#include "sample_files_win.h"

namespace kino::test {
namespace {

void Drop(HWND window, const std::wstring& list) {  // paths, each ended by a NUL
    const std::size_t bytes = (list.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, list.c_str(), bytes);
    GlobalUnlock(memory);
    SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);  // the window frees it
}

// The first of the paths counts; it plays; while it plays the fields are locked and a drop changes nothing.
TEST(DropTest, ADroppedFrameFillsTheFieldsAndPlaysAndDropsWhilePlayingChangeNothing) {
    TempFolder temp;
    FormFixture ui;
    const std::wstring folder = temp.File(L"渲染");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    for (int n : {1, 2, 3, 4, 6}) WriteSolidPng(folder + L"\\shot2_000" + std::to_wstring(n) + L".png", 8, 8, 0);
    EXPECT_TRUE(GetWindowLongW(ui.Window(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) << "Explorer may drop here";
    const auto fields = [&] {
        return std::vector<Text>{ui.TextOf(IdFolderLabel), ui.TextOf(IdPrefixBox), ui.TextOf(IdFirstNumberBox),
                                 ui.TextOf(IdLastNumberBox)};
    };
    const std::vector<Text> filled{FromWide(folder.c_str()), u"shot2_", u"0001", u"0004"};
    Drop(ui.Window(), folder + L"\\shot2_0003.png" + L'\0' + temp.Path() + L'\0');
    EXPECT_EQ(fields(), filled);
    ui.Click(IdPlayButton);
    ASSERT_TRUE(ui.Playing()) << ::testing::PrintToString(ui.TextOf(IdInfoBox));
    Drop(ui.Window(), folder + L"\\shot2_0006.png" + L'\0');
    EXPECT_EQ(fields(), filled);
    ui.Click(IdPlayButton);
}

}  // namespace
}  // namespace kino::test
