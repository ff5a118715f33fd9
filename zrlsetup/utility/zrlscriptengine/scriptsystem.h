// System facts and process rights for scripts: OS version, WOW64, module and
// command line, privileges, shutdown, the default program folder.
#pragma once

#include <lua.hpp>

namespace zrl::script {

int Lua_GetOSVersion(lua_State* L);
int Lua_IsWow64(lua_State* L);
int Lua_GetModuleFileName(lua_State* L);
int Lua_GetCommandLineArgv(lua_State* L);
int Lua_EnablePrivilege(lua_State* L);
int Lua_ExitWindows(lua_State* L);
int Lua_GetDriverInstallPath(lua_State* L);

} // namespace zrl::script
