// DllManager: loaded-module objects whose Get method turns a DLL export into
// a callable Lua function (the native call bridge).
#pragma once

#include <windows.h>

#include <lua.hpp>

namespace zrl::script {

constexpr char kDllManagerMetaTable[] = "DllManagerMetaTable";

// Module open function for luaL_requiref: the table DllManager with Load.
int OpenDllManager(lua_State* L);

// Pushes a new loaded-module object holding `module` (GLibTab hands these out too).
void PushModuleObject(lua_State* L, HMODULE module);

} // namespace zrl::script
