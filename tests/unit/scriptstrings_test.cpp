// AString, WString and GLibTab through the engine's Lua state.
#include <gtest/gtest.h>

#include <windows.h>

#include "luarun.h"

namespace {

using zrltest::Case;
using zrltest::Eval;
using zrltest::RunLua;

void ExpectCases(std::initializer_list<Case> cases) {
    for (const Case& c : cases) EXPECT_EQ(Eval(c.expression), c.expected) << c.expression;
}

// Indexing shows the block size: the last unit of the block reads "" (zero) or
// a character, the first position after it reads nil.
TEST(WString, NewSizesLengthsAndIndexing) {
    ASSERT_EQ(RunLua("w5 = WString.New(5) w3 = WString.New(nil, 'abc') w10 = WString.New(10, 'abc') "
                  "w2 = WString.New(2, 'abcd') w0 = WString.New(0, '')"), "");
    ExpectCases({
        {"#w5", "0"}, {"tostring(w5)", "\"\""}, {"w5[0]", "\"\""}, {"w5[4]", "\"\""}, {"w5[5]", "nil"},
        {"#w3", "3"}, {"w3[0]", "\"a\""}, {"w3[2]", "\"c\""}, {"w3[3]", "\"\""}, {"w3[4]", "nil"},
        {"w3[-1]", "nil"}, {"w3.Get", "\"a\""}, {"w3.anything", "\"a\""},
        {"#w10", "3"}, {"tostring(w10)", "\"abc\""}, {"w10[9]", "\"\""}, {"w10[10]", "nil"},
        {"#w2", "4"}, {"w2[4]", "\"\""}, {"w2[5]", "nil"},
        {"#w0", "0"}, {"w0[0]", "\"\""}, {"w0[1]", "nil"},
        {"WString.New(0)", "nil"}, {"WString.New()", "nil"}, {"WString.New('x')", "nil"},
        {"#WString.New(nil, nil)", "0"}, {"#WString.New(3, {})", "0"},
        {"#WString.New(nil, 12.5)", "4"}, {"tostring(WString.New(nil, 12.5))", "\"12.5\""},
        {"type(package.loaded.WString.New)", "\"function\""},
    });
}

TEST(WString, KeepsUtf8TextAsUtf16Units) {
    ASSERT_EQ(RunLua("wz = WString.New(nil, '\xE5\xAE\x89\xE8\xA3\x85')"), "");   // two CJK characters
    ExpectCases({{"#wz", "2"}, {"wz[0]", "\"\xE5\xAE\x89\""}, {"tostring(wz)", "\"\xE5\xAE\x89\xE8\xA3\x85\""}});
}

TEST(AString, BasicsMatchWString) {
    ASSERT_EQ(RunLua("a3 = AString.New(nil, 'xyz') a8 = AString.New(8)"), "");
    ExpectCases({
        {"#a3", "3"}, {"a3[1]", "\"y\""}, {"a3[3]", "\"\""}, {"a3[4]", "nil"}, {"tostring(a3)", "\"xyz\""},
        {"#a8", "0"}, {"a8[7]", "\"\""}, {"a8[8]", "nil"}, {"AString.New(0)", "nil"},
    });
}

TEST(StringTypes, AssignmentReplacesOneUnitInsideTheText) {
    ASSERT_EQ(RunLua("wa = WString.New(nil, 'abc') wa[1] = 'XYZ' wa[0] = 'Q' wa[3] = 'Q' wa[9] = 'Q' "
                  "wa[-1] = 'Q' wa[2] = '' "
                  "aa = AString.New(nil, 'abc') aa[2] = 7 aa[1] = {} aa.x = 'Q'"), "");
    ExpectCases({{"tostring(wa)", "\"aXc\""}, {"#wa", "3"}, {"tostring(aa)", "\"ab7\""}});
}

TEST(StringTypes, ConcatenationMakesAnObjectOfTheLeftHandlersType) {
    ASSERT_EQ(RunLua("WM = getmetatable(WString.New(1)) AM = getmetatable(AString.New(1)) "
                  "c1 = WString.New(nil, 'ab') .. 12 c2 = 'x' .. WString.New(nil, 'y') "
                  "c3 = AString.New(nil, 'p') .. WString.New(nil, 'q') c4 = WString.New(nil, 'p') .. AString.New(nil, 'q') "
                  "c5 = WString.New(9, 'a') .. {} "),
              "");
    ExpectCases({
        {"tostring(c1)", "\"ab12\""}, {"getmetatable(c1) == WM", "true"},
        {"c1[4]", "\"\""}, {"c1[5]", "nil"},   // exactly the text and its terminator
        {"tostring(c2)", "\"xy\""}, {"getmetatable(c2) == WM", "true"},
        {"tostring(c3)", "\"pq\""}, {"getmetatable(c3) == AM", "true"},
        {"tostring(c4)", "\"pq\""}, {"getmetatable(c4) == WM", "true"},
        {"tostring(c5)", "\"a\""}, {"c5[2]", "nil"},
    });
}

TEST(StringTypes, EqualityComparesTextsOfTheSameType) {
    ExpectCases({
        {"WString.New(nil, 'abc') == WString.New(10, 'abc')", "true"},
        {"WString.New(nil, 'abc') == WString.New(nil, 'abd')", "false"},
        {"AString.New(nil, 'abc') == AString.New(4, 'abc')", "true"},
        {"WString.New(nil, 'abc') == 'abc'", "false"},
        {"AString.New(nil, 'abc') == WString.New(nil, 'abc')", "false"},
    });
}

TEST(StringTypes, ConvertBetweenEachOther) {
    ExpectCases({
        {"tostring(AString.New(nil, WString.New(nil, 'hello')))", "\"hello\""},
        {"tostring(WString.New(nil, AString.New(nil, 'hi')))", "\"hi\""},
        {"#AString.New(nil, WString.New(20, 'hello'))", "5"},
    });
}

// A native callee may fill a buffer to its end without a terminator: the
// text then ends with the block, nothing beyond it is read.
TEST(StringTypes, TextWithoutTerminatorEndsAtTheBlock) {
    ASSERT_EQ(RunLua("RB = getmetatable(RawBuffer.New(1)) wf = WString.New(2) "
                  "RB.OffsetSetAsUInt16(wf, 0, 65) RB.OffsetSetAsUInt16(wf, 2, 66) "
                  "af = AString.New(1) RB.OffsetSetAsUInt8(af, 0, 67)"), "");
    ExpectCases({{"#wf", "2"}, {"tostring(wf)", "\"AB\""}, {"wf[2]", "nil"},
                 {"#af", "1"}, {"tostring(af)", "\"C\""}, {"tostring(WString.New(nil, af))", "\"C\""}});
}

TEST(StringTypes, HugeBlockRaisesAMemoryError) {
    EXPECT_EQ(Eval("WString.New(2147483647)").rfind("error: ", 0), 0u);
}

// Run under a Chinese ANSI code page (ctest entry unit.scriptlib_test_cp936).
TEST(ChineseCodePage, AStringHoldsDoubleByteText) {
    ASSERT_EQ(GetACP(), 936u) << "this test needs LC_ALL=zh_CN.UTF-8";
    ASSERT_EQ(RunLua("az = AString.New(nil, '\xE4\xB8\xAD') azw = AString.New(nil, WString.New(nil, '\xE4\xB8\xAD\xE6\x96\x87'))"), "");
    ExpectCases({
        {"#az", "2"}, {"tostring(az)", "\"\xE4\xB8\xAD\""},
        {"#azw", "4"}, {"#WString.New(nil, azw)", "2"}, {"tostring(WString.New(nil, azw))", "\"\xE4\xB8\xAD\xE6\x96\x87\""},
        {"az == AString.New(nil, '\xE4\xB8\xAD')", "true"},
        {"type(az[0])", "\"string\""}, {"az[0] ~= ''", "true"}, {"az[2]", "\"\""}, {"az[3]", "nil"},
        {"tostring(az .. '\xE6\x96\x87')", "\"\xE4\xB8\xAD\xE6\x96\x87\""},
    });
}

TEST(GLibTab, CachesLoadedModulesPerKey) {
    ASSERT_EQ(RunLua("k1 = GLibTab.kernel32 k2 = GLibTab.kernel32 K = GLibTab.Kernel32"), "");
    ExpectCases({
        {"type(k1)", "\"userdata\""}, {"rawequal(k1, k2)", "true"}, {"rawget(GLibTab, 'kernel32') == k1", "true"},
        {"rawequal(K, k1)", "false"}, {"type(K)", "\"userdata\""},
        {"GLibTab.zrl_no_such_library", "nil"}, {"GLibTab.zrl_no_such_library", "nil"},
        {"rawget(GLibTab, 'zrl_no_such_library')", "nil"},
        {"GLibTab[true]", "nil"}, {"GLibTab[12]", "nil"},
    });
    const std::string pid = std::to_string(GetCurrentProcessId());
    EXPECT_EQ(Eval("GLibTab.kernel32:Get('GetCurrentProcessId', 'uint')()"), pid);
}

// A cached key loads nothing more: one UnLoad releases the only load.
TEST(GLibTab, SecondAccessLoadsNothing) {
    ASSERT_EQ(GetModuleHandleW(L"comreg.dll"), nullptr);
    ASSERT_EQ(RunLua("c1 = GLibTab['comreg.dll'] c2 = GLibTab['comreg.dll']"), "");
    EXPECT_EQ(Eval("rawequal(c1, c2)"), "true");
    EXPECT_NE(GetModuleHandleW(L"comreg.dll"), nullptr);
    ASSERT_EQ(RunLua("c1:UnLoad() GLibTab['comreg.dll'] = nil"), "");
    EXPECT_EQ(GetModuleHandleW(L"comreg.dll"), nullptr);
}

TEST(GLibTab, LoadsByFullPath) {
    ASSERT_EQ(RunLua("dir = Lua_GetModuleFileName():match('^(.*)\\\\') full = dir .. '\\\\nativetest.dll'"), "");
    EXPECT_EQ(Eval("GLibTab[full]:Get('ReturnAllOnes', 'int')()"), "-1");
    EXPECT_EQ(Eval("rawget(GLibTab, full) ~= nil"), "true");
}

} // namespace
