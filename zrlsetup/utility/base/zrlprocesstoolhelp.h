// Process tools: stopping programs by image name or id, token privileges, and
// starting a program at the desktop shell's level.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

// Forcibly ends every process whose image name is in `names` (case-insensitive),
// with exit code 10000. No polite close, no wait.
void TerminateProcessesByName(const std::vector<std::wstring>& names);

// The id of the first process in `snapshot` named `name` (case-insensitive), or
// (DWORD)-1 when none matches. The caller takes a fresh snapshot per lookup.
DWORD FindProcessIdByName(HANDLE snapshot, const std::wstring& name);

// Asks the process's windows to close, then waits up to 3 s, forces it, and waits
// up to 3 s more. True when the process has ended (or never existed).
bool CloseAndTerminateProcess(DWORD processId);

// EnumWindows callback of CloseAndTerminateProcess: posts SC_CLOSE and WM_CLOSE to
// the windows of the process whose id is `lParam`.
BOOL CALLBACK CloseProcessWindowsProc(HWND window, LPARAM lParam);

// Enables or disables one privilege of the current process's token.
bool SetPrivilege(const wchar_t* privilegeName, bool enable);

// Runs `explorer.exe "program" "parameters"`: the program then starts with the
// shell's rights. Returns WinExec's result (above 31 on success).
UINT LaunchAtExplorerLevel(const std::wstring& programPath, const std::wstring& parameters);
