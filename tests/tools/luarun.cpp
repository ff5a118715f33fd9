// Runs a Lua file through the installer's script engine, with every Lua_
// function registered as in the installer.
//   luarun.exe <script file> [arguments...]
// The arguments are the global table ARGS (UTF-8). Exit code 0 when the chunk
// ran, 1 when it could not be read or loaded; a runtime error is logged to the
// trace (no box) and ends the process with the engine's error exit code.
#include <windows.h>
#include <cstdio>
#include <string>

#include "zrlsetup/utility/base/textconv.h"
#include "zrlsetup/utility/zrlscriptengine/zrlscriptengine.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    std::string code;
    if (FILE* f = _wfopen(argv[1], L"rb")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) code.append(buffer, n);
        fclose(f);
    } else {
        return 1;
    }
    ZRLScriptEngine& engine = ZRLScriptEngine::Instance();
    engine.SetErrorMode(ScriptErrorMode::LogOnly);
    {
        auto lock = engine.Lock();
        lua_State* L = engine.State();
        lua_newtable(L);
        for (int i = 2; i < argc; ++i) {
            const std::string value = zrl::WideToUtf8(argv[i]);
            lua_pushlstring(L, value.data(), value.size());
            lua_rawseti(L, -2, i - 1);
        }
        lua_setglobal(L, "ARGS");
    }
    return engine.RunChunk(code.data(), code.size(), "=script") ? 0 : 1;
}
