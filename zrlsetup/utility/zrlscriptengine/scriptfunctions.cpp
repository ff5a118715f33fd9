// The table of script types and Lua_ functions the engine installs at start.
// Entries keep the fixed registration order; each function lives in the file
// named after what it touches.
#include "scriptfunctions.h"

#include <iterator>

#include "payloadfunctions.h"

namespace zrl::script {
namespace {

struct ModuleEntry {
    const char* name;
    lua_CFunction open;
};

struct FunctionEntry {
    const char* name;
    lua_CFunction function;
};

// AString, WString, RawBuffer, DllManager, in this order, as they are built.
const ModuleEntry kModules[] = {
    {nullptr, nullptr},
};

// Lua_UnCompress7z ... Lua_HttpPost, in registration order, as they are built.
const FunctionEntry kFunctions[] = {
    {"Lua_UnCompress7z", Lua_UnCompress7z},
    {"Lua_ExtractResource", Lua_ExtractResource},
    {nullptr, nullptr},
};

} // namespace

void RegisterModules(lua_State* L) {
    for (const ModuleEntry& module : kModules) {
        if (!module.name) continue;
        luaL_requiref(L, module.name, module.open, 1);
        lua_pop(L, 1);
    }
}

void RegisterFunctions(lua_State* L) {
    for (const FunctionEntry& entry : kFunctions) {
        if (!entry.name) continue;
        lua_pushcfunction(L, entry.function);
        lua_setglobal(L, entry.name);
    }
}

} // namespace zrl::script
