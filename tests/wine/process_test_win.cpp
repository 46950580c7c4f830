// The program as a process, started from outside as a user's session would.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "test_support_win.h"

namespace kino::test {
namespace {

TEST(ProgramProcess, WithoutGdiplusOnlyTheStartupBoxShowsAndTheProgramEnds) {
    // A copy of the program for which this Wine prefix disables gdiplus.dll, as if it were missing.
    TempFolder folder;
    const std::wstring name = L"kinoreel-nogdiplus.exe", key = L"Software\\Wine\\AppDefaults\\" + name + L"\\DllOverrides";
    std::wstring exe = L"Z:";
    for (char c : std::string(KINO_EXE_PATH)) exe.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
    ASSERT_TRUE(CopyFileW(exe.c_str(), folder.File(name).c_str(), FALSE));
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"gdiplus", REG_SZ, L"", sizeof(wchar_t));
    std::wstring commandLine = L"\"" + folder.File(name) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    const UniqueHandle owned(process.hProcess), thread(process.hThread);
    HWND box = nullptr;
    for (int i = 0; i < 750 && !box; ++i, Sleep(20)) {
        const HWND found = FindWindowW(L"#32770", L"初始化错误");
        DWORD pid = 0;
        GetWindowThreadProcessId(found, &pid);
        if (found && pid == process.dwProcessId && IsWindowVisible(found)) box = found;
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    ASSERT_NE(box, nullptr) << "the start-up error box";
    EXPECT_NE(FindWindowExW(box, nullptr, L"Static", L"GDI+ 初始化错误。程序即将关闭。"), nullptr);
    EXPECT_EQ(FindWindowW(L"KinoreelForm1", nullptr) && IsWindowVisible(FindWindowW(L"KinoreelForm1", nullptr)), false)
        << "the window is never shown";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    DWORD code = 0;
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0) << "ends after OK";
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 18u) << "with GDI+'s status";
    if (code == STILL_ACTIVE) TerminateProcess(process.hProcess, 99);
}

}  // namespace
}  // namespace kino::test
