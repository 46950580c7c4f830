// The program as a process, started from outside as a user's session would.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "sample_files_win.h"

namespace kino::test {
namespace {

std::wstring WinePath(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* c = unixPath; *c; ++c) path.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(*c));
    return path;
}

// A copy of the program under a name of its own, started with this Wine prefix's DLL override
// for gdiplus.dll set for that name alone; ended, and the override removed, at the end of the scope.
class ProgramCopy {
public:
    ProgramCopy(const TempFolder& folder, const std::wstring& name, const wchar_t* gdiplusOverride)
        : key_(L"Software\\Wine\\AppDefaults\\" + name) {
        if (!CopyFileW(WinePath(KINO_EXE_PATH).c_str(), folder.File(name).c_str(), FALSE)) return;
        RegSetKeyValueW(HKEY_CURRENT_USER, (key_ + L"\\DllOverrides").c_str(), L"gdiplus", REG_SZ, gdiplusOverride,
                        static_cast<DWORD>((wcslen(gdiplusOverride) + 1) * sizeof(wchar_t)));
        std::wstring commandLine = L"\"" + folder.File(name) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            return;
        process_.reset(info.hProcess);
        thread_.reset(info.hThread);
    }
    ~ProgramCopy() {
        RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
        if (process_ && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(info.hProcess, 99);
            WaitForSingleObject(info.hProcess, 10000);
        }
    }
    bool Started() const { return static_cast<bool>(process_); }

    // The process's first visible window whose class is className, within 15 s; null if none.
    HWND WaitForWindow(const wchar_t* className, const wchar_t* title = nullptr) const {
        for (int i = 0; i < 750; ++i, Sleep(20)) {
            for (HWND found = nullptr; (found = FindWindowExW(nullptr, found, className, title));) {
                DWORD pid = 0;
                GetWindowThreadProcessId(found, &pid);
                if (pid == info.dwProcessId && IsWindowVisible(found)) return found;
            }
        }
        return nullptr;
    }

    PROCESS_INFORMATION info{};

private:
    std::wstring key_;
    UniqueHandle process_, thread_;
};

TEST(ProgramProcess, WithoutGdiplusOnlyTheStartupBoxShowsAndTheProgramEnds) {
    // An empty override disables gdiplus.dll for the copy, as if the system had none.
    TempFolder folder;
    ProgramCopy program(folder, L"kinoreel-nogdiplus.exe", L"");
    ASSERT_TRUE(program.Started());
    const HWND box = program.WaitForWindow(L"#32770", L"初始化错误");
    ASSERT_NE(box, nullptr) << "the start-up error box";
    EXPECT_NE(FindWindowExW(box, nullptr, L"Static", L"GDI+ 初始化错误。程序即将关闭。"), nullptr);
    EXPECT_EQ(FindWindowW(L"KinoreelForm1", nullptr) && IsWindowVisible(FindWindowW(L"KinoreelForm1", nullptr)), false)
        << "the window is never shown";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    DWORD code = 0;
    EXPECT_EQ(WaitForSingleObject(program.info.hProcess, 10000), WAIT_OBJECT_0) << "ends after OK";
    GetExitCodeProcess(program.info.hProcess, &code);
    EXPECT_EQ(code, 18u) << "with GDI+'s status";
}

TEST(ProgramProcess, AGdiplusDllBesideTheProgramNeverRuns) {
    // Told to prefer a native gdiplus.dll for the copy, Wine loads one found beside it, as Windows would.
    TempFolder folder;
    ASSERT_TRUE(CopyFileW(WinePath(KINO_PLANTED_DLL_PATH).c_str(), folder.File(L"gdiplus.dll").c_str(), FALSE));
    ProgramCopy program(folder, L"kinoreel-planted.exe", L"native,builtin");
    ASSERT_TRUE(program.Started());
    const HWND window = program.WaitForWindow(L"KinoreelForm1");
    EXPECT_EQ(GetFileAttributesW(folder.File(L"gdiplus.dll.loaded").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the planted gdiplus.dll was loaded";
    ASSERT_NE(window, nullptr) << "the system's GDI+ starts";
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(program.info.hProcess, 10000), WAIT_OBJECT_0);
}

}  // namespace
}  // namespace kino::test
