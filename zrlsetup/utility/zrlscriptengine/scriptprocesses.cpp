// Process and shell script functions: shell execution (with the pin verbs'
// rules), launches at the desktop shell's level, stopping processes by name or
// id, process ids by image name and image paths by id.
#include "scriptprocesses.h"

#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <map>
#include <vector>

#include "scriptargs.h"
#include "scriptfilehelpers.h"
#include "scriptshortcuts.h"
#include "../base/unique_handle.h"
#include "../base/zrlprocesstoolhelp.h"
#include "../../../jvpublic/jvbase/trace.h"

namespace zrl::script {
namespace {

constexpr DWORD kNoProcess = static_cast<DWORD>(-1);

const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

// Runs a program hidden and gives back its process handle (when the shell made one).
bool ShellExecuteHidden(const wchar_t* verb, const std::wstring& file, const std::wstring& params,
                        const std::wstring& directory, UniqueHandle& process) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = nullptr;
    info.lpVerb = verb;
    info.lpFile = file.c_str();
    info.lpParameters = params.c_str();
    info.lpDirectory = OrNull(directory);
    info.nShow = SW_HIDE;
    const bool ok = ::ShellExecuteExW(&info) != FALSE;
    process.Reset(info.hProcess);
    return ok;
}

// The process a Lua_TaskKill-style target names: a number is an id, text an image name.
DWORD TargetProcessId(lua_State* L, int index) {
    int isNumber = 0;
    const lua_Unsigned id = lua_tounsignedx(L, index, &isNumber);
    if (isNumber) return static_cast<DWORD>(id);
    UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return kNoProcess;
    return FindProcessIdByName(snapshot.Get(), ArgText(L, index));
}

int StopTarget(lua_State* L) {
    const DWORD id = TargetProcessId(L, 1);
    lua_pushboolean(L, (id == kNoProcess || CloseAndTerminateProcess(id)) ? 1 : 0);
    return 1;
}

// Device form (\Device\HarddiskVolume3\...) to drive form (C:\...). A device that
// no drive letter maps to keeps its device form; \Device\Mup is the network redirector.
bool DevicePathToDosPath(std::wstring& path) {
    const DWORD size = ::GetLogicalDriveStringsW(0, nullptr);
    std::vector<wchar_t> drives(size + 1);
    const DWORD filled = size ? ::GetLogicalDriveStringsW(size, drives.data()) : 0;
    if (size == 0 || filled == 0 || filled > size) {
        TRACE_LAST_ERROR(L"GetLogicalDriveStrings failed");
        return false;
    }
    std::map<std::wstring, std::wstring> devices;
    for (const wchar_t* root = drives.data(); *root; root += wcslen(root) + 1) {
        std::wstring drive(root);
        if (drive.size() >= 2) drive.resize(2);   // "C:\" -> "C:"
        wchar_t device[kPathUnits] = {};
        if (::QueryDosDeviceW(drive.c_str(), device, kPathUnits)) devices[device] = drive;
    }
    devices[L"\\Device\\Mup"] = L"\\";

    size_t cut = std::wstring::npos;
    for (int seen = 0, at = 0; at < static_cast<int>(path.size()); ++at) {
        if (path[at] == L'\\' && ++seen == 3) {
            cut = at;
            break;
        }
    }
    if (cut == std::wstring::npos) return true;
    const auto found = devices.find(path.substr(0, cut));
    if (found != devices.end()) path.replace(0, cut, found->second);
    return true;
}

} // namespace

int Lua_Exec(lua_State* L) {
    std::wstring file = ArgText(L, 1);
    const std::wstring verb = ArgText(L, 2);
    std::wstring params, directory;
    if (!::PathIsURLW(file.c_str())) {
        std::wstring expanded;
        if (!ExpandPath(L"Lua_Exec", file, expanded)) {
            lua_pushboolean(L, 0);
            return 1;
        }
        file = expanded;
        if (!::PathFileExistsW(file.c_str())) {
            // Nothing to unpin counts as unpinned.
            if (IsUnpinVerb(verb)) {
                lua_pushboolean(L, 1);
                return 1;
            }
            TraceNotExists(L"Lua_Exec", file);
            lua_pushboolean(L, 0);
            return 1;
        }
        params = ArgText(L, 3);
        directory = ParentOf(file);
    }

    if (IsGiven(L, 5)) {
        lua_pushboolean(L, LaunchAtExplorerLevel(file, params) > 31 ? 1 : 0);
        return 1;
    }
    if (IsGiven(L, 4)) {
        UniqueHandle process;
        const bool ok = ShellExecuteHidden(nullptr, file, params, directory, process);
        if (process) ::WaitForSingleObject(process.Get(), INFINITE);
        lua_pushboolean(L, ok ? 1 : 0);
        return 1;
    }
    const HINSTANCE result = ::ShellExecuteW(nullptr, OrNull(verb), file.c_str(), params.c_str(),
                                             OrNull(directory), SW_SHOWNORMAL);
    // The shell's pin handlers report nothing useful: a pin verb always counts as done.
    const bool ok = IsPinVerb(verb) || reinterpret_cast<INT_PTR>(result) > 32;
    lua_pushboolean(L, ok ? 1 : 0);
    return 1;
}

int Lua_ExplorerExec(lua_State* L) {
    lua_pushboolean(L, LaunchAtExplorerLevel(ArgText(L, 1), ArgText(L, 2)) > 31 ? 1 : 0);
    return 1;
}

int Lua_ShellExec(lua_State* L) {
    UniqueHandle process;
    const bool ok = ShellExecuteHidden(L"open", ArgText(L, 1), ArgText(L, 2), std::wstring(), process);
    lua_pushboolean(L, ok ? 1 : 0);
    return 1;
}

int Lua_TaskKill(lua_State* L) {
    if (IsGiven(L, 2)) {
        const std::wstring windowClass = ArgText(L, 2);
        UINT message = WM_SYSCOMMAND;
        WPARAM wParam = SC_CLOSE;
        LPARAM lParam = 0;
        if (IsGiven(L, 3)) {
            message = static_cast<UINT>(lua_tounsignedx(L, 3, nullptr));
            wParam = static_cast<WPARAM>(lua_tounsignedx(L, 4, nullptr));
            lParam = static_cast<LPARAM>(lua_tounsignedx(L, 5, nullptr));
        }
        // Without a window the post would land in this thread's own queue: skip it.
        if (HWND window = ::FindWindowW(windowClass.c_str(), nullptr)) {
            ::PostMessageW(window, message, wParam, lParam);
        } else {
            TRACE(L"Lua_TaskKill: no window of class %s, nothing posted\r\n", windowClass.c_str());
        }
    }
    return StopTarget(L);
}

int Lua_KillAllTaskByName(lua_State* L) { return StopTarget(L); }

int Lua_GetProcessId(lua_State* L) {
    const std::wstring name = LastArgText(L);
    int pushed = 0;
    UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == 0 || ::lstrcmpiW(entry.szExeFile, name.c_str()) != 0) continue;
        luaL_checkstack(L, 1, nullptr);
        lua_pushnumber(L, static_cast<lua_Number>(entry.th32ProcessID));
        ++pushed;
    }
    if (pushed == 0) {
        lua_pushnumber(L, -1);
        pushed = 1;
    }
    return pushed;
}

int Lua_GetImagePathByPid(lua_State* L) {
    const int top = lua_gettop(L);
    const DWORD id = top > 0 ? static_cast<DWORD>(lua_tounsignedx(L, top, nullptr)) : 0;
    UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, id));
    if (!process) return 0;
    wchar_t image[kPathUnits] = {};
    if (::GetProcessImageFileNameW(process.Get(), image, kPathUnits) == 0) return 0;
    std::wstring path = image;
    if (!DevicePathToDosPath(path)) return 0;
    PushText(L, path);
    return 1;
}

} // namespace zrl::script
