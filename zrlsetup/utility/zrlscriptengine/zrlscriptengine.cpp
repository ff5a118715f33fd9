// Engine core: state creation, resource scripts, global accessors and phase calls.
#include "zrlscriptengine.h"

#include <stdexcept>

#include "scriptfunctions.h"
#include "../base/textconv.h"
#include "../base/unique_handle.h"
#include "../../../jvpublic/jvbase/trace.h"

ZRLScriptEngine& ZRLScriptEngine::Instance() {
    static ZRLScriptEngine engine;   // thread-safe one-time initialisation
    return engine;
}

ZRLScriptEngine::ZRLScriptEngine() {
    state_ = luaL_newstate();
    if (!state_) throw std::runtime_error("luaL_newstate failed (E_FAIL)");
    luaL_openlibs(state_);
    zrl::script::RegisterModules(state_);
    zrl::script::RegisterFunctions(state_);
}

ZRLScriptEngine::~ZRLScriptEngine() {
    if (state_) {
        lua_close(state_);
        state_ = nullptr;
    }
}

bool ZRLScriptEngine::RunResourceScript(const wchar_t* type, const wchar_t* name) {
    HMODULE self = ::GetModuleHandleW(nullptr);
    HRSRC info = ::FindResourceW(self, name, type);
    zrl::UniqueResourceData data(info ? ::LoadResource(self, info) : nullptr);
    if (!data) {
        TRACE(L"LoadResource failed. Type : %s ID : %s\r\n", type, name);
        TRACE_LAST_ERROR(L"");
        return false;
    }
    const void* bytes = ::LockResource(data.Get());
    if (!bytes) {
        TRACE_LAST_ERROR(L"LockResource failed.");
        return false;
    }
    const DWORD size = ::SizeofResource(self, info);
    if (size == 0) {
        TRACE(L"ResSize == 0\r\n");
        return false;
    }
    const std::string chunkName = zrl::WideToAnsi(name);
    return RunChunk(static_cast<const char*>(bytes), size, chunkName.c_str());
}

bool ZRLScriptEngine::RunChunk(const char* data, size_t size, const char* chunkName) {
    auto lock = Lock();
    lua_State* L = state_;
    if (luaL_loadbufferx(L, data, size, chunkName, nullptr) != LUA_OK) {
        const char* message = lua_tostring(L, -1);
        TRACE(L"%s\r\n", zrl::Utf8ToWide(message ? message : "").c_str());
        TRACE(L"luaL_loadbuffer failed!\r\n");
        lua_pop(L, 1);
        return false;
    }
    return ProtectedCall(0, 0) == LUA_OK;
}

int ZRLScriptEngine::ProtectedCall(int nargs, int nresults) {
    auto lock = Lock();
    lua_State* L = state_;
    const int base = lua_gettop(L) - nargs;
    lua_pushcfunction(L, ScriptErrorHandler);
    lua_insert(L, base);
    const int status = lua_pcall(L, nargs, nresults, base);
    lua_remove(L, base);
    if (status != LUA_OK) {
        // Only errors that bypass the handler get here (out of memory): drop the message.
        const char* message = lua_tostring(L, -1);
        TRACE(L"%s\r\n", zrl::Utf8ToWide(message ? message : "").c_str());
        lua_pop(L, 1);
    }
    return status;
}

std::wstring ZRLScriptEngine::GetGlobalString(const char* name) {
    auto lock = Lock();
    lua_getglobal(state_, name);
    size_t length = 0;
    const char* text = lua_tolstring(state_, -1, &length);
    std::wstring value = text ? zrl::Utf8ToWide(std::string_view(text, length)) : std::wstring();
    lua_pop(state_, 1);
    return value;
}

bool ZRLScriptEngine::GetGlobalBoolean(const char* name) {
    auto lock = Lock();
    lua_getglobal(state_, name);
    const bool value = lua_toboolean(state_, -1) != 0;
    lua_pop(state_, 1);
    return value;
}

int ZRLScriptEngine::GetGlobalInteger(const char* name) {
    auto lock = Lock();
    lua_getglobal(state_, name);
    const int value = static_cast<int>(lua_tointegerx(state_, -1, nullptr));
    lua_pop(state_, 1);
    return value;
}

void ZRLScriptEngine::SetGlobalNumber(const char* name, double value) {
    auto lock = Lock();
    lua_pushnumber(state_, value);
    lua_setglobal(state_, name);
}

void ZRLScriptEngine::SetGlobalBoolean(const char* name, bool value) {
    auto lock = Lock();
    lua_pushboolean(state_, value ? 1 : 0);
    lua_setglobal(state_, name);
}

void ZRLScriptEngine::SetGlobalString(const char* name, const std::wstring& value) {
    auto lock = Lock();
    const std::string utf8 = zrl::WideToUtf8(value);
    lua_pushlstring(state_, utf8.data(), utf8.size());
    lua_setglobal(state_, name);
}

void ZRLScriptEngine::CallScriptEvent(const char* name) {
    auto lock = Lock();
    lua_getglobal(state_, name);
    if (lua_type(state_, -1) == LUA_TFUNCTION) {
        ProtectedCall(0, 0);
    } else {
        lua_pop(state_, 1);
    }
}
