// luarun <script.lua>: runs a Lua source file through the installer's engine
// (all script functions registered). Script errors go to the trace, exit 1.
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "zrlsetup/utility/zrlscriptengine/zrlscriptengine.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    std::ifstream file(argv[1], std::ios::binary);
    if (!file) return 3;
    std::stringstream text;
    text << file.rdbuf();
    const std::string chunk = text.str();
    ZRLScriptEngine& engine = ZRLScriptEngine::Instance();
    engine.SetErrorMode(ScriptErrorMode::LogOnly);
    return engine.RunChunk(chunk.data(), chunk.size(), "=luarun") ? 0 : 1;
}
