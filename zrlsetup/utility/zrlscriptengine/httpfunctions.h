// Script function that posts over HTTP.
#pragma once

#include <lua.hpp>

namespace zrl::script {

// Lua_HttpPost(url, body) -> boolean: true when the transfer completed.
int Lua_HttpPost(lua_State* L);

} // namespace zrl::script
