// Process tools against real processes: lookup by name, polite and forced
// stopping, termination by name, privileges, and launching through explorer.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>
#include <string>
#include <vector>

#include "zrlsetup/utility/base/unique_handle.h"
#include "zrlsetup/utility/base/zrlprocesstoolhelp.h"

namespace {

// tests/tools, beside this test's own folder (tests/unit).
std::wstring ToolPath(const wchar_t* name) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    path = path.substr(0, path.find_last_of(L'\\'));
    return path.substr(0, path.find_last_of(L'\\')) + L"\\tools\\" + name;
}

// A copy of a tool under another image name, in the temporary folder.
std::wstring CopyTool(const wchar_t* tool, const std::wstring& imageName) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"zrl-proc";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring target = folder + L"\\" + imageName;
    EXPECT_TRUE(CopyFileW(ToolPath(tool).c_str(), target.c_str(), FALSE)) << GetLastError();
    return target;
}

struct Child {
    zrl::UniqueHandle process;
    DWORD id = 0;
};

Child Start(const std::wstring& program, const std::wstring& arguments = L"") {
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    EXPECT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &si, &pi)) << GetLastError();
    CloseHandle(pi.hThread);
    Child child;
    child.process.Reset(pi.hProcess);
    child.id = pi.dwProcessId;
    return child;
}

DWORD ExitCodeAfter(const Child& child, DWORD waitMs) {
    WaitForSingleObject(child.process.Get(), waitMs);
    DWORD code = 0;
    GetExitCodeProcess(child.process.Get(), &code);
    return code;
}

DWORD FindByName(const std::wstring& name) {
    zrl::UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    return FindProcessIdByName(snapshot.Get(), name);
}

TEST(ProcessTools, TerminateByNameEndsEveryCopyWhateverTheCase) {
    const std::wstring lower = CopyTool(L"sleeper.exe", L"zrlupdater.exe");
    const std::wstring other = CopyTool(L"sleeper.exe", L"zrlother.exe");
    Child a = Start(lower), b = Start(lower), keep = Start(other);
    Sleep(500);
    EXPECT_NE(FindByName(L"ZRLUPDATER.EXE"), static_cast<DWORD>(-1));

    TerminateProcessesByName({L"ZRLUpdater.exe"});

    EXPECT_EQ(ExitCodeAfter(a, 5000), 10000u);
    EXPECT_EQ(ExitCodeAfter(b, 5000), 10000u);
    EXPECT_EQ(ExitCodeAfter(keep, 0), STILL_ACTIVE);
    EXPECT_EQ(FindByName(L"zrlupdater.exe"), static_cast<DWORD>(-1));
    TerminateProcess(keep.process.Get(), 0);
}

TEST(ProcessTools, FindProcessIdByNameTakesTheFirstInTheSnapshot) {
    const std::wstring path = CopyTool(L"sleeper.exe", L"zrltwice.exe");
    Child first = Start(path), second = Start(path);
    Sleep(500);
    zrl::UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    DWORD expected = static_cast<DWORD>(-1);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
        if (lstrcmpiW(entry.szExeFile, L"zrltwice.exe") == 0) { expected = entry.th32ProcessID; break; }
    }
    EXPECT_TRUE(expected == first.id || expected == second.id);
    zrl::UniqueFileHandle again(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    EXPECT_EQ(FindProcessIdByName(again.Get(), L"ZRLTWICE.EXE"), expected);
    EXPECT_EQ(FindByName(L"no-such-program.exe"), static_cast<DWORD>(-1));
    TerminateProcess(first.process.Get(), 0);
    TerminateProcess(second.process.Get(), 0);
}

TEST(ProcessTools, CloseAndTerminateAsksWindowsFirstThenForces) {
    EXPECT_TRUE(CloseAndTerminateProcess(0));

    // A program with a window ends on its own when asked to close: exit code 0, not forced.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring state = std::wstring(temp) + L"zrl-closewnd.txt";
    DeleteFileW(state.c_str());
    Child windowed = Start(ToolPath(L"classwnd.exe"), L"ZrlCloseMe \"" + state + L"\" 60000");
    for (int i = 0; i < 100 && GetFileAttributesW(state.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
    const DWORD before = GetTickCount();
    EXPECT_TRUE(CloseAndTerminateProcess(windowed.id));
    EXPECT_LT(GetTickCount() - before, 3000u) << "a polite close must not wait for the forced path";
    EXPECT_EQ(ExitCodeAfter(windowed, 1000), 0u);

    // A program without windows is forced after the first wait.
    Child stubborn = Start(ToolPath(L"sleeper.exe"));
    Sleep(300);
    EXPECT_TRUE(CloseAndTerminateProcess(stubborn.id));
    EXPECT_EQ(ExitCodeAfter(stubborn, 1000), 0u);

    // An id that no process has any more.
    EXPECT_TRUE(CloseAndTerminateProcess(stubborn.id));
}

TEST(ProcessTools, SetPrivilegeAdjustsKnownPrivilegesAndRefusesUnknownOnes) {
    EXPECT_TRUE(SetPrivilege(L"SeDebugPrivilege", true));
    EXPECT_TRUE(SetPrivilege(L"SeShutdownPrivilege", false));
    EXPECT_FALSE(SetPrivilege(L"SeNoSuchPrivilege", true));
}

TEST(ProcessTools, LaunchAtExplorerLevelStartsTheProgram) {
    const std::wstring path = CopyTool(L"sleeper.exe", L"zrllaunched.exe");
    EXPECT_GT(LaunchAtExplorerLevel(path, L""), 31u);
    DWORD id = static_cast<DWORD>(-1);
    for (int i = 0; i < 100 && id == static_cast<DWORD>(-1); ++i) {
        Sleep(100);
        id = FindByName(L"zrllaunched.exe");
    }
    ASSERT_NE(id, static_cast<DWORD>(-1)) << "explorer did not start the program";
    TerminateProcessesByName({L"zrllaunched.exe"});
}

} // namespace
