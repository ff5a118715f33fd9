// The script engine's host operations: chunks, globals, phase calls, callbacks
// and the error report.
#include <gtest/gtest.h>

#include <string>

#include "zrlsetup/utility/zrlscriptengine/scriptcallback.h"
#include "zrlsetup/utility/zrlscriptengine/zrlscriptengine.h"

namespace {

ZRLScriptEngine& Engine() { return ZRLScriptEngine::Instance(); }

void RunLua(const std::string& code) {
    ASSERT_TRUE(Engine().RunChunk(code.data(), code.size(), "test")) << code;
}

TEST(Engine, GlobalAccessorsConvertLikeLua) {
    RunLua("g_num = 158 g_text = '12' g_true = true g_half = 2.5 g_zero = 0 g_table = {} "
        "g_utf8 = '\xE5\xAE\x89\xE8\xA3\x85'");
    EXPECT_EQ(Engine().GetGlobalString("g_undefined"), L"");
    EXPECT_EQ(Engine().GetGlobalString("g_num"), L"158");
    EXPECT_EQ(Engine().GetGlobalString("g_true"), L"");
    EXPECT_EQ(Engine().GetGlobalString("g_table"), L"");
    EXPECT_EQ(Engine().GetGlobalString("g_utf8"), L"\x5B89\x88C5");
    EXPECT_EQ(Engine().GetGlobalInteger("g_text"), 12);
    EXPECT_EQ(Engine().GetGlobalInteger("g_true"), 0);
    EXPECT_EQ(Engine().GetGlobalInteger("g_undefined"), 0);
    const int half = Engine().GetGlobalInteger("g_half");
    EXPECT_TRUE(half == 2 || half == 3) << half;
    EXPECT_TRUE(Engine().GetGlobalBoolean("g_zero"));
    EXPECT_TRUE(Engine().GetGlobalBoolean("g_text"));
    EXPECT_FALSE(Engine().GetGlobalBoolean("g_undefined"));

    Engine().SetGlobalString("g_set", L"C:\\\x5B89\x88C5");
    Engine().SetGlobalNumber("g_setnum", 3.25);
    Engine().SetGlobalBoolean("g_setbool", false);
    RunLua("assert(g_set == 'C:\\\\\xE5\xAE\x89\xE8\xA3\x85') assert(g_setnum == 3.25) assert(g_setbool == false)");
}

TEST(Engine, OperationsLeaveTheStackAsTheyFoundIt) {
    lua_State* L = Engine().State();
    const int top = lua_gettop(L);
    RunLua("ZRLSE_Number = 5");
    Engine().CallScriptEvent("ZRLSE_Missing");
    Engine().CallScriptEvent("ZRLSE_Number");
    Engine().GetGlobalString("ZRLSE_Number");
    const char bad[] = "this is not lua (";
    EXPECT_FALSE(Engine().RunChunk(bad, sizeof bad - 1, "bad"));
    EXPECT_EQ(lua_gettop(L), top);
}

TEST(Engine, CallScriptEventCallsTheGlobalFunction) {
    RunLua("calls = 0 function ZRLSE_Phase() calls = calls + 1 end");
    Engine().CallScriptEvent("ZRLSE_Phase");
    Engine().CallScriptEvent("ZRLSE_Phase");
    EXPECT_EQ(Engine().GetGlobalInteger("calls"), 2);
}

TEST(Engine, RunResourceScriptRunsGoodChunksAndRefusesBadOnes) {
    lua_State* L = Engine().State();
    const int top = lua_gettop(L);
    EXPECT_TRUE(Engine().RunResourceScript(L"LUA", L"GOOD.LUAC"));
    EXPECT_EQ(Engine().GetGlobalInteger("resource_chunk_ran"), 1);
    EXPECT_FALSE(Engine().RunResourceScript(L"LUA", L"EMPTY.LUAC"));
    EXPECT_FALSE(Engine().RunResourceScript(L"LUA", L"CORRUPT.LUAC"));
    EXPECT_FALSE(Engine().RunResourceScript(L"LUA", L"MISSING.LUAC"));
    EXPECT_EQ(lua_gettop(L), top);
}

// The error report, taken through a message handler that returns it instead of exiting.
std::wstring ErrorReportOf(const std::string& code) {
    lua_State* L = Engine().State();
    auto lock = Engine().Lock();
    lua_pushcfunction(L, [](lua_State* L) -> int {
        const std::wstring report = FormatScriptError(L);
        lua_pushlstring(L, reinterpret_cast<const char*>(report.data()), report.size() * sizeof(wchar_t));
        return 1;
    });
    const int handler = lua_gettop(L);
    EXPECT_EQ(luaL_loadbufferx(L, code.data(), code.size(), "RECIPE.LUAC", nullptr), LUA_OK);
    EXPECT_NE(lua_pcall(L, 0, 0, handler), LUA_OK);
    size_t bytes = 0;
    const char* data = lua_tolstring(L, -1, &bytes);
    std::wstring report(reinterpret_cast<const wchar_t*>(data), bytes / sizeof(wchar_t));
    lua_pop(L, 2);
    return report;
}

TEST(Engine, ErrorReportCarriesMessageAndCallStack) {
    const std::wstring report = ErrorReportOf(
        "function ZRLSE_OnInstall()\n"
        "  error('disk full')\n"
        "end\n"
        "ZRLSE_OnInstall()\n");
    EXPECT_EQ(report,
              L"[string \"RECIPE.LUAC\"]:2: disk full\n"
              L"      <call stack>\n"
              L"-> | unknown : line -1 [=[C] : line -1]\n"
              L"--  | error() : line -1 [=[C] : line -1]\n"
              L"--  | ZRLSE_OnInstall() : line 2 [RECIPE.LUAC : line 1]\n"
              L"--  | unknown : line 4 [RECIPE.LUAC : line 0]\n");
}

TEST(Engine, ErrorReportOfATableValueSaysNull) {
    const std::wstring report = ErrorReportOf("error({})");
    EXPECT_EQ(report.rfind(L"(null)\n      <call stack>\n", 0), 0u) << report;
}

TEST(Engine, ErrorReportKeepsChineseMessages) {
    const std::wstring report = ErrorReportOf("error('\xE5\xAE\x89\xE8\xA3\x85\xE5\xA4\xB1\xE8\xB4\xA5', 0)");
    EXPECT_EQ(report.rfind(L"\x5B89\x88C5\x5931\x8D25\n", 0), 0u);
}

TEST(ScriptCallback, InvokesWithTextAndCodeAndReleasesItsReference) {
    lua_State* L = Engine().State();
    const int top = lua_gettop(L);
    RunLua("function on_file(name, code) last_name = name last_code = code return code == 7 and 1 or 'x' end");
    lua_getglobal(L, "on_file");
    {
        ScriptCallback callback(L);
        ASSERT_TRUE(callback.Present());
        EXPECT_EQ(lua_gettop(L), top);
        EXPECT_EQ(callback.Invoke(L"C:\\a.txt", 7), 1);
        EXPECT_EQ(Engine().GetGlobalString("last_name"), L"C:\\a.txt");
        EXPECT_EQ(callback.Invoke(L"b", 0xFFFFFFFFul), 0);   // a non-number answer reads 0
        EXPECT_EQ(Engine().GetGlobalString("last_code"), L"4294967295");
        callback.Invoke(L"only text");
        EXPECT_EQ(Engine().GetGlobalString("last_name"), L"only text");
        EXPECT_EQ(lua_gettop(L), top);
    }
    lua_pushnumber(L, 1);
    ScriptCallback notAFunction(L);
    EXPECT_FALSE(notAFunction.Present());
    lua_pop(L, 1);
}

} // namespace
