// Process tools over Toolhelp snapshots, OpenProcess and the process token.
#include "zrlprocesstoolhelp.h"

#include <tlhelp32.h>
#include <cwchar>

#include "textconv.h"
#include "unique_handle.h"
#include "../../../jvpublic/jvbase/trace.h"

namespace {

constexpr UINT kForcedExitCode = 10000;
constexpr DWORD kCloseWaitMs = 3000;

} // namespace

void TerminateProcessesByName(const std::vector<std::wstring>& names) {
    zrl::UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry)) {
        for (const std::wstring& name : names) {
            if (_wcsicmp(entry.szExeFile, name.c_str()) != 0) continue;
            zrl::UniqueHandle process(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID));
            if (process) ::TerminateProcess(process.Get(), kForcedExitCode);
            break;
        }
    }
}

DWORD FindProcessIdByName(HANDLE snapshot, const std::wstring& name) {
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
         more = ::Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == 0) continue;
        if (::lstrcmpiW(entry.szExeFile, name.c_str()) == 0) return entry.th32ProcessID;
    }
    return static_cast<DWORD>(-1);
}

BOOL CALLBACK CloseProcessWindowsProc(HWND window, LPARAM lParam) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(lParam)) {
        ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

bool CloseAndTerminateProcess(DWORD processId) {
    if (processId == 0) return true;
    ::EnumWindows(CloseProcessWindowsProc, static_cast<LPARAM>(processId));
    SetPrivilege(L"SeDebugPrivilege", true);

    zrl::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    if (!process) return ::GetLastError() == ERROR_INVALID_PARAMETER;   // no such process any more
    if (::WaitForSingleObject(process.Get(), kCloseWaitMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.Get(), 0);
    }
    return ::WaitForSingleObject(process.Get(), kCloseWaitMs) == WAIT_OBJECT_0;
}

bool SetPrivilege(const wchar_t* privilegeName, bool enable) {
    HANDLE rawToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &rawToken)) {
        TRACE_LAST_ERROR(L"OpenProcessToken failed!");
        return false;
    }
    zrl::UniqueHandle token(rawToken);
    LUID luid{};
    if (!::LookupPrivilegeValueW(nullptr, privilegeName, &luid)) {
        TRACE_LAST_ERROR(L"LookupPrivilegeValue failed!");
        return false;
    }
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid = luid;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    if (!::AdjustTokenPrivileges(token.Get(), FALSE, &privileges, sizeof privileges, nullptr, nullptr)) {
        TRACE_LAST_ERROR(L"AdjustTokenPrivileges failed!");
        return false;
    }
    return true;
}

UINT LaunchAtExplorerLevel(const std::wstring& programPath, const std::wstring& parameters) {
    const std::wstring commandLine =
        L"explorer.exe \"" + programPath + L"\" \"" + parameters + L"\"";
    return ::WinExec(zrl::WideToAnsi(commandLine).c_str(), SW_SHOWNORMAL);
}
