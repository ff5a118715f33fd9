// RawBuffer: zero-filled native memory blocks with typed accessors, for
// out-parameters and small structures handed to native functions.
#pragma once

#include <lua.hpp>

namespace zrl::script {

constexpr char kRawBufferMetaTable[] = "RawBufferMetaTable";

// Module open function for luaL_requiref: the table RawBuffer with New.
int OpenRawBuffer(lua_State* L);

} // namespace zrl::script
