// Process and shell script functions: starting programs, stopping processes,
// looking processes up.
#pragma once

#include <lua.hpp>

namespace zrl::script {

int Lua_Exec(lua_State* L);
int Lua_ExplorerExec(lua_State* L);
int Lua_TaskKill(lua_State* L);
int Lua_GetProcessId(lua_State* L);
int Lua_GetImagePathByPid(lua_State* L);
int Lua_KillAllTaskByName(lua_State* L);
int Lua_ShellExec(lua_State* L);

} // namespace zrl::script
