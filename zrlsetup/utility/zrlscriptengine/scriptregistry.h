// Registry script functions: read, write and delete values and key trees.
#pragma once

#include <lua.hpp>

namespace zrl::script {

int Lua_RegQuery(lua_State* L);
int Lua_RegAdd(lua_State* L);
int Lua_RegDel(lua_State* L);

} // namespace zrl::script
