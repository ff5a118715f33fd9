// Lua_RegSvr32 calls a DLL's DllRegisterServer / DllUnregisterServer in this
// process; Lua_RegistDll starts regsvr32 with the script's options and does not wait.
#include "scriptregistration.h"

#include <windows.h>
#include <ole2.h>
#include <shlwapi.h>
#include <string>

#include "scriptargs.h"
#include "../base/unique_handle.h"
#include "../../../jvpublic/jvbase/trace.h"

namespace zrl::script {
namespace {

// OleInitialize for the thread, undone on the way out when it took.
class OleScope {
public:
    OleScope() : initialised_(SUCCEEDED(::OleInitialize(nullptr))) {}
    ~OleScope() { if (initialised_) ::OleUninitialize(); }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;
private:
    bool initialised_;
};

// The expanded path of argument 1 when it names an existing file.
bool ExistingDll(lua_State* L, const wchar_t* function, std::wstring& path) {
    const std::wstring given = ArgText(L, 1);
    if (!ExpandPath(function, given, path)) return false;
    if (path.empty() || !::PathFileExistsW(path.c_str())) {
        TraceNotExists(function, path.empty() ? given : path);
        return false;
    }
    return true;
}

} // namespace

// Lua_RegSvr32(path, register): true when the export ran and returned success.
int Lua_RegSvr32(lua_State* L) {
    OleScope ole;
    std::wstring path;
    if (!ExistingDll(L, L"Lua_RegSvr32", path)) {
        lua_pushboolean(L, 0);
        return 1;
    }
    zrl::UniqueModule module(::LoadLibraryW(path.c_str()));
    if (!module) {
        TRACE(L"Fun:%s, Description: LoadLibrary %s Failed!\r\n", L"Lua_RegSvr32", path.c_str());
        TRACE_LAST_ERROR(L"");
        lua_pushboolean(L, 0);
        return 1;
    }
    const char* exportName = lua_toboolean(L, 2) ? "DllRegisterServer" : "DllUnregisterServer";
    using ServerFn = HRESULT(STDAPICALLTYPE*)();
    const auto server = reinterpret_cast<ServerFn>(
        reinterpret_cast<void*>(::GetProcAddress(module.Get(), exportName)));
    lua_pushboolean(L, server && SUCCEEDED(server()));
    return 1;
}

// Lua_RegistDll(path, options): starts `regsvr32 <options> "<path>"` hidden.
// CreateProcessW keeps paths outside the ANSI code page intact.
int Lua_RegistDll(lua_State* L) {
    OleScope ole;
    std::wstring path;
    if (!ExistingDll(L, L"Lua_RegistDll", path)) {
        lua_pushboolean(L, 0);
        return 1;
    }
    std::wstring commandLine = L"regsvr32 " + ArgText(L, 2) + L" \"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        TRACE(L"reg failed!!! %d", static_cast<int>(::GetLastError()));
        lua_pushboolean(L, 0);
        return 1;
    }
    zrl::UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
    lua_pushboolean(L, 1);
    return 1;
}

} // namespace zrl::script
