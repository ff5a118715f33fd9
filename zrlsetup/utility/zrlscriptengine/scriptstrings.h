// The script string types AString (ANSI bytes) and WString (UTF-16 units):
// fixed-size native buffers that native functions can read or fill.
#pragma once

#include <string>

#include <lua.hpp>

namespace zrl::script {

constexpr char kAStringMetaTable[] = "AStringMetaTable";
constexpr char kWStringMetaTable[] = "WStringMetaTable";

// Module open functions for luaL_requiref: the tables AString and WString, each with New.
int OpenAString(lua_State* L);
int OpenWString(lua_State* L);

// The UTF-16 text of any value: strings and numbers from UTF-8, AString from the
// ANSI code page, WString as it is; anything else (or no value) the empty text.
std::wstring ToWideText(lua_State* L, int index);
// The same text in the thread's ANSI code page.
std::string ToAnsiText(lua_State* L, int index);

} // namespace zrl::script
