// Conventions shared by every script function: permissive argument reading,
// UTF-8 <-> UTF-16, environment expansion into 260-unit buffers, results.
#pragma once

#include <string>

#include <lua.hpp>

namespace zrl::script {

constexpr size_t kPathUnits = 260;   // MAX_PATH, terminating zero included

// A text argument: a string as it is, a number in Lua's text form, anything
// else (missing included) the empty string; converted from UTF-8.
std::wstring ArgText(lua_State* L, int index);
// The raw bytes of a text argument (same rules, no conversion).
std::string ArgBytes(lua_State* L, int index);
// Numeric arguments: numbers and numeric strings; anything else reads 0.
lua_Integer ArgInteger(lua_State* L, int index);
lua_Number ArgNumber(lua_State* L, int index);

void PushText(lua_State* L, const std::wstring& text);

// Expands environment variables in `path` into at most 259 units. A result
// that does not fit is refused (false, and a trace line naming `function`),
// never cut. An empty expansion gives an empty path and true.
bool ExpandPath(const wchar_t* function, const std::wstring& path, std::wstring& expanded);

// "Fun:<function>, Description:<path> it's not exists!" on the trace.
void TraceNotExists(const wchar_t* function, const std::wstring& path);

} // namespace zrl::script
