// GLibTab: the global table that loads a DLL on first access by name or path
// and keeps its loaded-module object under that key.
#pragma once

#include <lua.hpp>

namespace zrl::script {

// Creates the global GLibTab with its metatable "GlobalLibTableMetaTable".
void BuildGLibTab(lua_State* L);

} // namespace zrl::script
