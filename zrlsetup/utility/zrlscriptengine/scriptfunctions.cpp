// The table of script types and Lua_ functions the engine installs at start.
// Entries keep the fixed registration order; each function lives in the file
// named after what it touches.
#include "scriptfunctions.h"

#include <iterator>

#include "dllmanager.h"
#include "glibtab.h"
#include "httpfunctions.h"
#include "payloadfunctions.h"
#include "rawbuffer.h"
#include "scriptfiles.h"
#include "scriptmessages.h"
#include "scriptprocesses.h"
#include "scriptregistration.h"
#include "scriptregistry.h"
#include "scriptservices.h"
#include "scriptshortcuts.h"
#include "scriptstrings.h"
#include "scriptsystem.h"

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
    {"AString", OpenAString},
    {"WString", OpenWString},
    {"RawBuffer", OpenRawBuffer},
    {"DllManager", OpenDllManager},
};

// Lua_UnCompress7z ... Lua_HttpPost, in registration order, as they are built.
const FunctionEntry kFunctions[] = {
    {"Lua_UnCompress7z", Lua_UnCompress7z},                                   // 1
    {"Lua_RegSvr32", Lua_RegSvr32},                                           // 2
    {"Lua_RegistDll", Lua_RegistDll},                                         // 3
    {"Lua_RegQuery", Lua_RegQuery},                                           // 4
    {"Lua_RegAdd", Lua_RegAdd},                                               // 5
    {"Lua_RegDel", Lua_RegDel},                                               // 6
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
    {"Lua_ExtractResource", Lua_ExtractResource},                             // 19
    {"Lua_GetOSVersion", Lua_GetOSVersion},                                   // 20
    {"Lua_Logout", Lua_Logout},                                               // 21
    {"Lua_MsgBox", Lua_MsgBox},                                               // 22
    {"Lua_DelFileRecursive", Lua_DelFileRecursive},                           // 23
    {"Lua_DelFileRecursiveEx", Lua_DelFileRecursiveEx},                       // 24
    {"Lua_DeleteFileAfterReboot", Lua_DeleteFileAfterReboot},                 // 25
    {"Lua_IsWow64", Lua_IsWow64},                                             // 26
    {"Lua_GetProcessId", Lua_GetProcessId},                                   // 27
    {"Lua_ExitWindows", Lua_ExitWindows},                                     // 28
    {"Lua_GetModuleFileName", Lua_GetModuleFileName},                         // 29
    {"Lua_GetCommandLineArgv", Lua_GetCommandLineArgv},                       // 30
    {"Lua_EnablePrivilege", Lua_EnablePrivilege},                             // 31
    {"Lua_GetTempFileName", Lua_GetTempFileName},                             // 32
    {"Lua_GetTempPath", Lua_GetTempPath},                                     // 33
    {"Lua_ExpandEnv", Lua_ExpandEnv},                                         // 34
    {"Lua_GetImagePathByPid", Lua_GetImagePathByPid},                         // 35
    {"Lua_GetDriverInstallPath", Lua_GetDriverInstallPath},                   // 36
    {"Lua_KillAllTaskByName", Lua_KillAllTaskByName},                         // 37
    {"Lua_PathFileExists", Lua_PathFileExists},                               // 38
    {"Lua_PathYetAnotherMakeUniqueName", Lua_PathYetAnotherMakeUniqueName},   // 39
    {"Lua_ShellExec", Lua_ShellExec},                                         // 40
    {"Lua_HttpPost", Lua_HttpPost},                                           // 41
};

} // namespace

void RegisterModules(lua_State* L) {
    for (const ModuleEntry& module : kModules) {
        if (!module.name) continue;
        luaL_requiref(L, module.name, module.open, 1);
        lua_pop(L, 1);
    }
    BuildGLibTab(L);
}

void RegisterFunctions(lua_State* L) {
    for (const FunctionEntry& entry : kFunctions) {
        if (!entry.name) continue;
        lua_pushcfunction(L, entry.function);
        lua_setglobal(L, entry.name);
    }
}

} // namespace zrl::script
