// GLibTab: indexing it with a DLL name or path loads the DLL once and caches
// the loaded-module object under exactly that key; failures are not cached.
#include "glibtab.h"

#include <windows.h>

#include "dllmanager.h"
#include "scriptargs.h"

namespace zrl::script {
namespace {

constexpr char kGLibTabMetaTable[] = "GlobalLibTableMetaTable";

// __index(table, key): called by Lua only for keys not in the table yet.
int GLibTabIndex(lua_State* L) {
    const int keyType = lua_type(L, 2);
    if (keyType != LUA_TSTRING && keyType != LUA_TNUMBER) {
        lua_pushnil(L);
        return 1;
    }
    const HMODULE module = ::LoadLibraryW(ArgText(L, 2).c_str());
    if (!module) {
        lua_pushnil(L);
        return 1;
    }
    lua_pushvalue(L, 2);
    PushModuleObject(L, module);
    lua_pushvalue(L, -1);
    lua_insert(L, -3);       // object, key, object
    lua_rawset(L, 1);        // GLibTab[key] = object, without calling __index again
    return 1;
}

} // namespace

void BuildGLibTab(lua_State* L) {
    lua_newtable(L);
    luaL_newmetatable(L, kGLibTabMetaTable);
    lua_pushcfunction(L, GLibTabIndex);
    lua_setfield(L, -2, "__index");
    lua_setmetatable(L, -2);
    lua_setglobal(L, "GLibTab");
}

} // namespace zrl::script
