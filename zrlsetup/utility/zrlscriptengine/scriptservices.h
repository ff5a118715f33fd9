// The service script function: start or stop a Windows service and wait for it.
#pragma once

#include <lua.hpp>

namespace zrl::script {

int Lua_SCM(lua_State* L);

} // namespace zrl::script
