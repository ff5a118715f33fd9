// The script's channels to the user and to the log: message boxes and log lines.
#pragma once

#include <lua.hpp>

namespace zrl::script {

int Lua_MsgBox(lua_State* L);
int Lua_Logout(lua_State* L);

} // namespace zrl::script
