// The program as a process, started from outside as a user's session would.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/text_win.h"
#include "test_support_win.h"

namespace kino::test {
namespace {

std::wstring ProgramPath() {
    std::wstring path = L"Z:";
    for (char c : std::string(KINO_EXE_PATH)) path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
    return path;
}

class Program {
public:
    explicit Program(const std::wstring& exe) {
        std::wstring commandLine = L"\"" + exe + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startup, &info_);
    }
    ~Program() {
        if (!started_) return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    bool Started() const { return started_; }

    // A visible top-level window of this process with the class and title, once it exists.
    HWND WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs) const {
        const ULONGLONG end = GetTickCount64() + timeoutMs;
        do {
            for (HWND w = FindWindowExW(nullptr, nullptr, className, title); w; w = FindWindowExW(nullptr, w, className, title)) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == info_.dwProcessId && IsWindowVisible(w)) return w;
            }
            Sleep(20);
        } while (GetTickCount64() < end);
        return nullptr;
    }

    // The exit code once the process has ended, or -1 when it is still running after the timeout.
    long WaitForExit(DWORD timeoutMs) const {
        DWORD code = 0;
        if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
        GetExitCodeProcess(info_.hProcess, &code);
        return static_cast<long>(code);
    }

private:
    PROCESS_INFORMATION info_{};
    bool started_ = false;
};

BOOL CALLBACK CollectText(HWND child, LPARAM texts) {
    reinterpret_cast<std::vector<Text>*>(texts)->push_back(WindowText(child));
    return TRUE;
}

TEST(ProgramProcess, WithoutGdiplusOnlyTheStartupBoxShowsAndTheProgramEnds) {
    // A copy of the program for which this Wine prefix disables gdiplus.dll, as if it were missing.
    TempFolder folder;
    const std::wstring name = L"kinoreel-nogdiplus.exe", key = L"Software\\Wine\\AppDefaults\\" + name + L"\\DllOverrides";
    ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), folder.File(name).c_str(), FALSE));
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"gdiplus", REG_SZ, L"", sizeof(wchar_t));
    Program program(folder.File(name));
    ASSERT_TRUE(program.Started());
    const HWND box = program.WaitForWindow(L"#32770", L"初始化错误", 15000);
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    ASSERT_NE(box, nullptr) << "the start-up error box";
    std::vector<Text> texts;
    EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&texts));
    EXPECT_NE(std::find(texts.begin(), texts.end(), Text(u"GDI+ 初始化错误。程序即将关闭。")), texts.end());
    EXPECT_EQ(program.WaitForWindow(L"KinoreelForm1", nullptr, 0), nullptr) << "the window is never shown";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(program.WaitForExit(10000), 18) << "ends after OK, with GDI+'s status";
}

}  // namespace
}  // namespace kino::test
