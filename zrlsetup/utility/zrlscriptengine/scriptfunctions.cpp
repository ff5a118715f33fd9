// The table of script types and Lua_ functions the engine installs at start.
// Entries keep the fixed registration order; each function lives in the file
// named after what it touches.
#include "scriptfunctions.h"

#include <iterator>

#include "scriptfiles.h"
#include "scriptprocesses.h"
#include "scriptservices.h"
#include "scriptshortcuts.h"

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
    {nullptr, nullptr},
    {"Lua_CreateShortcut", Lua_CreateShortcut},                               // 7
    {"Lua_CreateDirectory", Lua_CreateDirectory},                             // 8
    {"Lua_CopyFile", Lua_CopyFile},                                           // 9
    {"Lua_MoveFile", Lua_MoveFile},                                           // 10
    {"Lua_RenameFile", Lua_RenameFile},                                       // 11
    {"Lua_DeleteFile", Lua_DeleteFile},                                       // 12
    {"Lua_DeleteFileEx", Lua_DeleteFileEx},                                   // 13
    {"Lua_Exec", Lua_Exec},                                                   // 14
    {"Lua_ExplorerExec", Lua_ExplorerExec},                                   // 15
    {"Lua_TaskKill", Lua_TaskKill},                                           // 16
    {"Lua_SCM", Lua_SCM},                                                     // 17
    {"Lua_RegVarByCSIDL", Lua_RegVarByCSIDL},                                 // 18
    {"Lua_DelFileRecursive", Lua_DelFileRecursive},                           // 23
    {"Lua_DelFileRecursiveEx", Lua_DelFileRecursiveEx},                       // 24
    {"Lua_DeleteFileAfterReboot", Lua_DeleteFileAfterReboot},                 // 25
    {"Lua_GetProcessId", Lua_GetProcessId},                                   // 27
    {"Lua_GetTempFileName", Lua_GetTempFileName},                             // 32
    {"Lua_GetTempPath", Lua_GetTempPath},                                     // 33
    {"Lua_ExpandEnv", Lua_ExpandEnv},                                         // 34
    {"Lua_GetImagePathByPid", Lua_GetImagePathByPid},                         // 35
    {"Lua_KillAllTaskByName", Lua_KillAllTaskByName},                         // 37
    {"Lua_PathFileExists", Lua_PathFileExists},                               // 38
    {"Lua_PathYetAnotherMakeUniqueName", Lua_PathYetAnotherMakeUniqueName},   // 39
    {"Lua_ShellExec", Lua_ShellExec},                                         // 40
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
