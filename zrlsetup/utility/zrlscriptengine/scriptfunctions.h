// Registration of the script types and the installer's Lua_ functions.
#pragma once

#include <lua.hpp>

namespace zrl::script {

// The script types (string types, buffers, DLL bridge), as globals and package.loaded entries.
void RegisterModules(lua_State* L);
// The Lua_ functions as globals, in their fixed registration order.
void RegisterFunctions(lua_State* L);

} // namespace zrl::script
