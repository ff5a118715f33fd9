// Script callbacks held by registry references.
#include "scriptcallback.h"

#include "zrlscriptengine.h"
#include "../base/textconv.h"
#include "../../../jvpublic/jvbase/trace.h"

ScriptCallback::ScriptCallback(lua_State* L) : L_(L) {
    if (lua_type(L, -1) == LUA_TFUNCTION) ref_ = luaL_ref(L, LUA_REGISTRYINDEX);
}

ScriptCallback::~ScriptCallback() { Release(); }

void ScriptCallback::Release() {
    if (ref_ >= 0) luaL_unref(L_, LUA_REGISTRYINDEX, ref_);
    ref_ = LUA_NOREF;
}

void ScriptCallback::Invoke(const std::wstring& text) { Call(text, nullptr); }

int ScriptCallback::Invoke(const std::wstring& text, unsigned long code) { return Call(text, &code); }

int ScriptCallback::Call(const std::wstring& text, const unsigned long* code) {
    auto& engine = ZRLScriptEngine::Instance();
    auto lock = engine.Lock();
    const int top = lua_gettop(L_);
    lua_rawgeti(L_, LUA_REGISTRYINDEX, ref_);
    const std::string utf8 = zrl::WideToUtf8(text);
    lua_pushlstring(L_, utf8.data(), utf8.size());
    if (code) lua_pushnumber(L_, static_cast<lua_Number>(*code));

    // ProtectedCall traces and pops the message of a call that bypassed the handler.
    if (engine.ProtectedCall(code ? 2 : 1, 1) != LUA_OK) {
        lua_settop(L_, top);
        return code ? 2 : 0;
    }
    const int answer = code ? static_cast<int>(lua_tointegerx(L_, -1, nullptr)) : 0;
    lua_settop(L_, top);
    return answer;
}
