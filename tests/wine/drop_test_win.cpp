// Folders and frame files dropped on the real window, as Explorer sends them: WM_DROPFILES
// with a DROPFILES block in global memory.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

#include "base/text_win.h"
#include "form_fixture_win.h"
#include "sample_files_win.h"

namespace kino::test {
namespace {

class DropTest : public ::testing::Test {
protected:
    void Drop(const std::vector<std::wstring>& paths) const {
        std::wstring list;
        for (const std::wstring& path : paths) list += path + L'\0';
        list += L'\0';
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        std::memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
        GlobalUnlock(memory);
        SendMessageW(ui.Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);  // the window frees it
    }
    std::vector<Text> Fields() const {
        return {ui.TextOf(IdFolderLabel), ui.TextOf(IdPrefixBox), ui.TextOf(IdFirstNumberBox), ui.TextOf(IdLastNumberBox),
                DecimalText(SendMessageW(ui.Item(IdTypeList), CB_GETCURSEL, 0, 0))};
    }

    TempFolder temp;
    FormFixture ui;
};

TEST_F(DropTest, ADroppedFrameFillsTheFieldsFromItsRunAndPlaysAndDropsWhilePlayingChangeNothing) {
    const std::wstring folder = temp.File(L"渲染");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    for (int n : {1, 2, 3, 4, 6}) WriteSolidPng(folder + L"\\shot2_000" + std::to_wstring(n) + L".png", 8, 8, RGB(n, 0, 0));
    EXPECT_TRUE(GetWindowLongW(ui.Window(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) << "Explorer may drop here";
    Drop({folder + L"\\shot2_0003.png", temp.Path()});
    const Text folderText = FromWide(folder.c_str());
    EXPECT_EQ(Fields(), (std::vector<Text>{folderText, u"shot2_", u"0001", u"0004", u"2"}));
    ui.Click(IdPlayButton);
    ASSERT_TRUE(ui.Playing()) << ::testing::PrintToString(ui.TextOf(IdInfoBox));

    // While it plays the fields are locked, and a drop changes nothing.
    Drop({folder + L"\\shot2_0006.png"});
    EXPECT_EQ(Fields(), (std::vector<Text>{folderText, u"shot2_", u"0001", u"0004", u"2"}));
    ui.Click(IdPlayButton);
}

}  // namespace
}  // namespace kino::test
