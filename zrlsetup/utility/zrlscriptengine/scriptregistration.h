// COM self-registration of DLLs: in process, or through the system's registration tool.
#pragma once

#include <lua.hpp>

namespace zrl::script {

int Lua_RegSvr32(lua_State* L);
int Lua_RegistDll(lua_State* L);

} // namespace zrl::script
