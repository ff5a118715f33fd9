// Shortcuts: Lua_CreateShortcut, and the rules of the pin verbs that Lua_Exec applies.
#pragma once

#include <string>

#include <lua.hpp>

namespace zrl::script {

int Lua_CreateShortcut(lua_State* L);

// "Taskbarpin", "Taskbarunpin", "Startpin", "Startunpin", in any letter case.
bool IsPinVerb(const std::wstring& verb);
// The two unpin verbs: on a shortcut that does not exist they count as done.
bool IsUnpinVerb(const std::wstring& verb);

} // namespace zrl::script
