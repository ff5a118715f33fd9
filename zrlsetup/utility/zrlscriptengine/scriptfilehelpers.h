// Small helpers shared by the file, process and shortcut script functions.
#pragma once

#include <string>

#include <lua.hpp>

namespace zrl::script {

// An optional argument counts as given when it is present and neither nil nor false.
inline bool IsGiven(lua_State* L, int index) { return lua_toboolean(L, index) != 0; }

// The text of the last argument (the empty string when there is none).
std::wstring LastArgText(lua_State* L);

// `path` without its last component, as PathRemoveFileSpecW cuts it.
std::wstring ParentOf(const std::wstring& path);

// `path` followed by two zero units, as the shell's path lists want it.
inline std::wstring DoubleZeroTerminated(const std::wstring& path) { return path + L'\0'; }

} // namespace zrl::script
