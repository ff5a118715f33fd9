// A script function handed to a host function: kept alive by a registry
// reference for as long as this object lives, invoked under the error handler.
#pragma once

#include <string>

#include <lua.hpp>

class ScriptCallback {
public:
    // Takes the function at the top of the stack (popping it) when it is one;
    // otherwise the callback is absent and the stack is left alone.
    explicit ScriptCallback(lua_State* L);
    ~ScriptCallback();

    ScriptCallback(const ScriptCallback&) = delete;
    ScriptCallback& operator=(const ScriptCallback&) = delete;

    bool Present() const { return ref_ >= 0; }

    // Calls the function with the text.
    void Invoke(const std::wstring& text);
    // Calls the function with the text and the code; returns its numeric
    // answer (0 for nil or non-numbers, 2 when the call itself failed).
    int Invoke(const std::wstring& text, unsigned long code);

    void Release();

private:
    int Call(const std::wstring& text, const unsigned long* code);

    lua_State* L_;
    int ref_ = LUA_NOREF;
};
