// Running Lua snippets in the engine's state for tests, with errors returned
// as text instead of going to the engine's fatal error handler.
#pragma once

#include <string>

#include <lua.hpp>

#include "zrlsetup/utility/zrlscriptengine/zrlscriptengine.h"

namespace zrltest {

// Runs `code`; returns the empty string, or "error: <message>".
inline std::string RunLua(const std::string& code) {
    ZRLScriptEngine& engine = ZRLScriptEngine::Instance();
    auto lock = engine.Lock();
    lua_State* L = engine.State();
    const int top = lua_gettop(L);
    std::string outcome;
    if (luaL_loadbufferx(L, code.data(), code.size(), "=test", "t") != LUA_OK ||
        lua_pcall(L, 0, 0, 0) != LUA_OK) {
        const char* message = lua_tostring(L, -1);
        outcome.assign("error: ").append(message ? message : "?");
    }
    lua_settop(L, top);
    return outcome;
}

// Evaluates `expression` and describes its first result: nil, true/false,
// numbers in Lua's text form, strings in double quotes, "userdata",
// "lightuserdata" and so on for other types, or "error: <message>".
inline std::string Eval(const std::string& expression) {
    ZRLScriptEngine& engine = ZRLScriptEngine::Instance();
    auto lock = engine.Lock();
    lua_State* L = engine.State();
    const int top = lua_gettop(L);
    const std::string code = "return " + expression;
    std::string result;
    if (luaL_loadbufferx(L, code.data(), code.size(), "=test", "t") != LUA_OK ||
        lua_pcall(L, 0, 1, 0) != LUA_OK) {
        const char* message = lua_tostring(L, -1);
        result.assign("error: ").append(message ? message : "?");
    } else {
        switch (lua_type(L, -1)) {
        case LUA_TNIL: result = "nil"; break;
        case LUA_TBOOLEAN: result = lua_toboolean(L, -1) ? "true" : "false"; break;
        case LUA_TNUMBER: {
            lua_pushvalue(L, -1);
            result = lua_tostring(L, -1);
            break;
        }
        case LUA_TSTRING: {
            size_t length = 0;
            const char* text = lua_tolstring(L, -1, &length);
            result.assign(1, '"').append(text, length).push_back('"');
            break;
        }
        case LUA_TLIGHTUSERDATA: result = "lightuserdata"; break;
        default: result = lua_typename(L, lua_type(L, -1)); break;
        }
    }
    lua_settop(L, top);
    return result;
}

struct Case {
    const char* expression;
    const char* expected;
};

} // namespace zrltest
