// Test program: runs a Lua file through the installer's script engine, with the
// engine's functions registered as in the installer.
//   scriptrun.exe <script.lua>
// Exit code 0 when the chunk ran to its end, 1 otherwise. The executable
// carries a payload (_7Z/APP.7Z and _7Z/249) and a LUA resource for the script
// functions that read resources.
#include <cstdio>
#include <string>

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
        return 2;
    }
    ZRLScriptEngine& engine = ZRLScriptEngine::Instance();
    engine.SetErrorMode(ScriptErrorMode::LogOnly);
    return engine.RunChunk(code.data(), code.size(), "@script.lua") ? 0 : 1;
}
