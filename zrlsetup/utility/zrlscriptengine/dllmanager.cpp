// DllManager.Load, the loaded-module methods UnLoad and Get, and the native
// function closure that marshals Lua values into 32-bit words and calls an export.
#include "dllmanager.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "nativecall.h"
#include "scriptargs.h"
#include "../base/textconv.h"
#include "../../../jvpublic/jvbase/trace.h"

namespace zrl::script {
namespace {

HMODULE* ModuleSlot(lua_State* L, int index) {
    return static_cast<HMODULE*>(luaL_testudata(L, index, kDllManagerMetaTable));
}

// DllManager.Load(path): the path is the last argument.
int Load(lua_State* L) {
    const int top = lua_gettop(L);
    const std::wstring path = top > 0 ? ArgText(L, top) : std::wstring();
    const HMODULE module = ::LoadLibraryW(path.c_str());
    if (!module) {
        const DWORD error = ::GetLastError();
        lua_pushnil(L);
        lua_pushnumber(L, static_cast<lua_Number>(error));
        return 2;
    }
    PushModuleObject(L, module);
    return 1;
}

// module:UnLoad(): frees the module; the handle stays in the object. Always nil.
int UnLoad(lua_State* L) {
    const int top = lua_gettop(L);
    if (HMODULE* slot = top > 0 ? ModuleSlot(L, top) : nullptr) ::FreeLibrary(*slot);
    lua_pushnil(L);
    return 1;
}

// Whether a value can be passed as a word; tables, functions and threads cannot.
bool Passable(int type) {
    return type != LUA_TTABLE && type != LUA_TFUNCTION && type != LUA_TTHREAD;
}

uint32_t WordOf(lua_State* L, int index) {
    switch (lua_type(L, index)) {
    case LUA_TBOOLEAN: return lua_toboolean(L, index) ? 1u : 0u;
    case LUA_TNUMBER: return static_cast<uint32_t>(lua_tointegerx(L, index, nullptr));
    case LUA_TSTRING: return reinterpret_cast<uintptr_t>(lua_tolstring(L, index, nullptr));
    case LUA_TLIGHTUSERDATA:
    case LUA_TUSERDATA: return reinterpret_cast<uintptr_t>(lua_touserdata(L, index));
    default: return 0;   // nil
    }
}

void PushResult(lua_State* L, const char* type, uint32_t result) {
    if (!type) {
        lua_pushnil(L);
    } else if (std::strcmp(type, "int") == 0) {
        lua_pushnumber(L, static_cast<lua_Number>(static_cast<int32_t>(result)));
    } else if (std::strcmp(type, "uint") == 0) {
        lua_pushnumber(L, static_cast<lua_Number>(result));
    } else if (std::strcmp(type, "bool") == 0) {
        lua_pushboolean(L, result != 0);
    } else if (std::strcmp(type, "astr") == 0) {
        const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(result));
        PushText(L, text ? AnsiToWide(text) : std::wstring());
    } else if (std::strcmp(type, "wstr") == 0) {
        const wchar_t* text = reinterpret_cast<const wchar_t*>(static_cast<uintptr_t>(result));
        PushText(L, text ? std::wstring(text) : std::wstring());
    } else if (std::strcmp(type, "ptr") == 0) {
        lua_pushlightuserdata(L, reinterpret_cast<void*>(static_cast<uintptr_t>(result)));
    } else {
        lua_pushnil(L);
    }
}

// The native function: upvalues are the return type, the caller-cleans flag
// and the export's address. The flag needs no handling of its own since the
// call restores the stack pointer whichever convention the export uses.
int NativeCallStub(lua_State* L) {
    const void* address = lua_touserdata(L, lua_upvalueindex(3));
    const int count = lua_gettop(L);
    for (int i = 1; i <= count; ++i) {
        if (!Passable(lua_type(L, i))) {
            lua_pushliteral(L, "unknow argument type");
            return lua_error(L);
        }
    }
    uint32_t result = 0;
    DWORD lastError = 0;
    {
        std::vector<uint32_t> words(static_cast<size_t>(count));
        for (int i = count; i >= 1; --i) words[i - 1] = WordOf(L, i);
        result = CallWithWords(address, words.data(), words.size());
        lastError = ::GetLastError();
    }
    PushResult(L, lua_tolstring(L, lua_upvalueindex(1), nullptr), result);
    lua_pushnumber(L, static_cast<lua_Number>(lastError));
    return 2;
}

// module:Get(name [, return type [, caller cleans]])
int Get(lua_State* L) {
    HMODULE* slot = ModuleSlot(L, 1);
    if (!slot) {
        TRACE(L"if (nullptr == phMod)");
        lua_pushnil(L);
        lua_pushliteral(L, "hModule is nil");
        return 2;
    }
    const std::string name = ArgBytes(L, 2);
    const FARPROC export_ = ::GetProcAddress(*slot, name.c_str());
    if (!export_) {
        const DWORD error = ::GetLastError();
        ::OutputDebugStringW(L"if (nullptr == pfn)");
        lua_pushnil(L);
        lua_pushnumber(L, static_cast<lua_Number>(error));
        return 2;
    }
    const int top = lua_gettop(L);
    if (top >= 3) lua_pushvalue(L, 3); else lua_pushnil(L);
    if (top >= 4) lua_pushvalue(L, 4); else lua_pushnil(L);
    lua_pushlightuserdata(L, reinterpret_cast<void*>(export_));
    lua_pushcclosure(L, NativeCallStub, 3);
    lua_pushnumber(L, 0);
    return 2;
}

void PushModuleMetaTable(lua_State* L) {
    if (luaL_newmetatable(L, kDllManagerMetaTable)) {
        static const luaL_Reg kMethods[] = {{"UnLoad", UnLoad}, {"Get", Get}, {nullptr, nullptr}};
        luaL_setfuncs(L, kMethods, 0);
        lua_pushvalue(L, -1);
        lua_setfield(L, -2, "__index");
    }
}

} // namespace

void PushModuleObject(lua_State* L, HMODULE module) {
    auto* slot = static_cast<HMODULE*>(lua_newuserdata(L, sizeof(HMODULE)));
    *slot = module;
    PushModuleMetaTable(L);
    lua_setmetatable(L, -2);
}

int OpenDllManager(lua_State* L) {
    PushModuleMetaTable(L);
    lua_pop(L, 1);
    static const luaL_Reg kModule[] = {{"Load", Load}, {nullptr, nullptr}};
    luaL_newlib(L, kModule);
    return 1;
}

} // namespace zrl::script
