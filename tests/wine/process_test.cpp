// The program as a process: started, driven and closed from outside, as a user's session would.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/layout.h"
#include "base/win_text.h"
#include "test_support.h"

namespace kino::test {
namespace {

std::wstring ExePath() {
    std::string unixPath = KINO_EXE_PATH;
    std::wstring path = L"Z:";
    for (char c : unixPath) path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
    return path;
}

// The current environment with one more variable, as a CreateProcessW block.
std::vector<wchar_t> EnvironmentWith(const std::wstring& extra) {
    std::vector<wchar_t> block;
    wchar_t* env = GetEnvironmentStringsW();
    for (const wchar_t* p = env; *p; p += wcslen(p) + 1) block.insert(block.end(), p, p + wcslen(p) + 1);
    FreeEnvironmentStringsW(env);
    block.insert(block.end(), extra.begin(), extra.end());
    block.push_back(0);
    block.push_back(0);
    return block;
}

class Program {
public:
    explicit Program(const std::wstring& exe = ExePath(), const std::wstring& extraEnvironment = L"") {
        std::wstring commandLine = L"\"" + exe + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::vector<wchar_t> env;
        if (!extraEnvironment.empty()) env = EnvironmentWith(extraEnvironment);
        started_ = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                                  env.empty() ? nullptr : env.data(), nullptr, &startup, &info_);
    }
    ~Program() {
        if (!started_) return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    bool Started() const { return started_; }

    // A top-level window of this process with the class (and title, when given), once it exists.
    HWND WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs, bool visibleOnly) const {
        const ULONGLONG end = GetTickCount64() + timeoutMs;
        do {
            for (HWND w = FindWindowExW(nullptr, nullptr, className, title); w; w = FindWindowExW(nullptr, w, className, title)) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == info_.dwProcessId && (!visibleOnly || IsWindowVisible(w))) return w;
            }
            Sleep(20);
        } while (GetTickCount64() < end);
        return nullptr;
    }

    // The exit code once the process has ended, or -1 when it is still running after the timeout.
    long WaitForExit(DWORD timeoutMs) const {
        if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
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

std::vector<Text> ChildTexts(HWND window) {
    std::vector<Text> texts;
    EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// A copy of the program for which this Wine prefix disables gdiplus.dll, as if it were missing.
class ProgramWithoutGdiplus {
public:
    ProgramWithoutGdiplus() {
        CopyFileW(ExePath().c_str(), Exe().c_str(), FALSE);
        RegSetKeyValueW(HKEY_CURRENT_USER, Key().c_str(), L"gdiplus", REG_SZ, L"", sizeof(wchar_t));
    }
    ~ProgramWithoutGdiplus() {
        RegDeleteKeyW(HKEY_CURRENT_USER, Key().c_str());
        DeleteFileW(Exe().c_str());
    }
    std::wstring Exe() const { return folder_.File(kName); }

private:
    static constexpr wchar_t kName[] = L"kinoreel-nogdiplus.exe";
    static std::wstring Key() { return std::wstring(L"Software\\Wine\\AppDefaults\\") + kName + L"\\DllOverrides"; }
    TempFolder folder_;
};

TEST(ProgramProcess, WithoutGdiplusOnlyTheStartupBoxShowsAndTheProgramEnds) {
    ProgramWithoutGdiplus copy;
    Program program(copy.Exe());
    ASSERT_TRUE(program.Started());
    HWND box = program.WaitForWindow(L"#32770", L"初始化错误", 15000, true);
    ASSERT_NE(box, nullptr) << "the start-up error box";
    std::vector<Text> texts = ChildTexts(box);
    EXPECT_NE(std::find(texts.begin(), texts.end(), Text(u"GDI+ 初始化错误。程序即将关闭。")), texts.end());
    EXPECT_EQ(program.WaitForWindow(L"KinoreelForm1", nullptr, 0, true), nullptr) << "the window is never shown";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_NE(program.WaitForExit(10000), -1) << "the program ends after OK";
}

TEST(ProgramProcess, ClosingWhilePlayingEndsTheProcessCleanly) {
    TempFolder folder;
    for (int n = 0; n < 5; ++n) WriteSolidPng(folder.File(L"f" + std::to_wstring(n) + L".png"), 32, 32, RGB(n * 40, 80, 160));
    Program program;
    ASSERT_TRUE(program.Started());
    HWND form = program.WaitForWindow(L"KinoreelForm1", L"Kinoreel", 15000, true);
    ASSERT_NE(form, nullptr);
    // Set the inputs as a user would have typed them (the window system carries the texts across).
    SendMessageW(GetDlgItem(form, IdLabel1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.Path().c_str()));
    SendMessageW(GetDlgItem(form, IdText1_0), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"f"));
    SendMessageW(GetDlgItem(form, IdText1_2), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"0"));
    SendMessageW(GetDlgItem(form, IdText1_3), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"4"));
    SendMessageW(GetDlgItem(form, IdCombo1), CB_SETCURSEL, 2, 0);
    SendMessageW(GetDlgItem(form, IdCommand2), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(form, IdCommand1))) << "playing";
    Sleep(300);
    PostMessageW(form, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(10000), 0);
}

}  // namespace
}  // namespace kino::test
