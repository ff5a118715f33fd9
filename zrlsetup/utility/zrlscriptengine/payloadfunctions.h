// Script functions that put data carried by the executable onto disk.
#pragma once

#include <lua.hpp>

namespace zrl::script {

// Lua_UnCompress7z(source, destDir [, fromFile [, onFileExtracted [, onCreateFailed]]]) -> boolean
int Lua_UnCompress7z(lua_State* L);
// Lua_ExtractResource(type, name, destPath) -> boolean
int Lua_ExtractResource(lua_State* L);

} // namespace zrl::script
