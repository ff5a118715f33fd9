// File-system script functions: directories, copies, moves, renames, deletes,
// scratch and unique names, environment expansion.
#pragma once

#include <lua.hpp>

namespace zrl::script {

int Lua_CreateDirectory(lua_State* L);
int Lua_CopyFile(lua_State* L);
int Lua_MoveFile(lua_State* L);
int Lua_RenameFile(lua_State* L);
int Lua_DeleteFile(lua_State* L);
int Lua_DeleteFileEx(lua_State* L);
int Lua_RegVarByCSIDL(lua_State* L);
int Lua_DelFileRecursive(lua_State* L);
int Lua_DelFileRecursiveEx(lua_State* L);
int Lua_DeleteFileAfterReboot(lua_State* L);
int Lua_GetTempFileName(lua_State* L);
int Lua_GetTempPath(lua_State* L);
int Lua_ExpandEnv(lua_State* L);
int Lua_PathFileExists(lua_State* L);
int Lua_PathYetAnotherMakeUniqueName(lua_State* L);

} // namespace zrl::script
