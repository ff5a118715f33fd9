// Lua_GetOSVersion, Lua_IsWow64, Lua_GetModuleFileName, Lua_GetCommandLineArgv,
// Lua_EnablePrivilege, Lua_ExitWindows and Lua_GetDriverInstallPath.
#include "scriptsystem.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <string>
#include <vector>

#include "scriptargs.h"
#include "../base/unique_handle.h"
#include "../base/zrlprocesstoolhelp.h"

namespace zrl::script {

// The major version as the system reports it to this program (no compatibility
// declaration: 6 from Vista on, 5 on XP).
int Lua_GetOSVersion(lua_State* L) {
    lua_pushnumber(L, static_cast<lua_Number>(LOBYTE(LOWORD(::GetVersion()))));
    return 1;
}

// True when this 32-bit program runs on 64-bit Windows.
int Lua_IsWow64(lua_State* L) {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64Process = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    if (isWow64Process && !isWow64Process(::GetCurrentProcess(), &wow64)) wow64 = FALSE;
    lua_pushboolean(L, wow64 != FALSE);
    return 1;
}

// Lua_GetModuleFileName([module]): the path of a loaded module; without an
// argument, or for a module that is not loaded, the installer's own path.
// The buffer grows until the path fits, so a long path is never cut.
int Lua_GetModuleFileName(lua_State* L) {
    HMODULE module = nullptr;
    if (lua_gettop(L) >= 1) {
        const std::wstring name = ArgText(L, 1);
        if (!name.empty()) module = ::GetModuleHandleW(name.c_str());
    }
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    PushText(L, path);
    return 1;
}

// Lua_GetCommandLineArgv(): the process command line split as the system
// splits it, index 1 being the program as written; no result when it cannot be split.
int Lua_GetCommandLineArgv(lua_State* L) {
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!argv) return 0;
    std::vector<std::wstring> arguments;
    {
        zrl::ScopeExit freeArgv([argv] { ::LocalFree(argv); });
        arguments.assign(argv, argv + count);
    }
    if (arguments.empty()) return 0;
    lua_createtable(L, static_cast<int>(arguments.size()), 0);
    for (size_t i = 0; i < arguments.size(); ++i) {
        PushText(L, arguments[i]);
        lua_rawseti(L, -2, static_cast<int>(i + 1));
    }
    return 1;
}

// Lua_EnablePrivilege(name, enable): the two last arguments.
int Lua_EnablePrivilege(lua_State* L) {
    const int top = lua_gettop(L);
    const std::wstring name = top >= 2 ? ArgText(L, top - 1) : std::wstring();
    const bool enable = top >= 1 && lua_toboolean(L, top);
    lua_pushboolean(L, SetPrivilege(name.c_str(), enable));
    return 1;
}

// Lua_ExitWindows(flags, reason): ExitWindowsEx with the shutdown privilege enabled.
int Lua_ExitWindows(lua_State* L) {
    const UINT flags = static_cast<UINT>(lua_tounsignedx(L, 1, nullptr));
    const DWORD reason = static_cast<DWORD>(lua_tounsignedx(L, 2, nullptr));
    SetPrivilege(L"SeShutdownPrivilege", true);
    lua_pushboolean(L, ::ExitWindowsEx(flags, reason) != FALSE);
    return 1;
}

// Lua_GetDriverInstallPath(): "%ProgramFiles%\" expanded; when more than one
// fixed drive exists, the same folder on the first later fixed drive that has it.
int Lua_GetDriverInstallPath(lua_State* L) {
    std::vector<std::wstring> fixedDrives;
    const DWORD drives = ::GetLogicalDrives();
    for (int i = 0; i <= 30; ++i) {
        if (!(drives & (1u << i))) continue;
        const std::wstring root{static_cast<wchar_t>(L'A' + i), L':'};
        if (::GetDriveTypeW((root + L"\\").c_str()) == DRIVE_FIXED) fixedDrives.push_back(root);
    }
    std::wstring result;
    ExpandPath(L"Lua_GetDriverInstallPath", L"%ProgramFiles%\\", result);
    if (fixedDrives.size() > 1 && result.size() >= 2) {
        for (size_t i = 1; i < fixedDrives.size(); ++i) {
            const std::wstring candidate = fixedDrives[i] + result.substr(2);
            if (::PathFileExistsW(candidate.c_str())) {
                result = candidate;
                break;
            }
        }
    }
    PushText(L, result);
    return 1;
}

} // namespace zrl::script
