// DllManager, native functions and RawBuffer, driven through the test DLL
// nativetest.dll (copied beside this test).
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

class NativeCall : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RunLua("nt = DllManager.Load('nativetest.dll') "
                      "function fn(name, ...) return (assert(nt:Get(name, ...))) end"), "");
    }
};

TEST_F(NativeCall, LoadAndGetReportFailures) {
    ExpectCases({
        {"type(nt)", "\"userdata\""},
        {"select(2, DllManager.Load('zrl_no_such.dll'))", "126"},
        {"DllManager.Load('zrl_no_such.dll')", "nil"},
        {"type(DllManager.Load('ignored.dll', 'nativetest.dll'))", "\"userdata\""},   // the last argument counts
        {"nt:Get('NoSuchExport')", "nil"}, {"select(2, nt:Get('NoSuchExport'))", "127"},
        {"select(2, nt:Get('ReturnAllOnes'))", "0"},
        {"nt.Get(5, 'ReturnAllOnes')", "nil"}, {"select(2, nt.Get(5, 'ReturnAllOnes'))", "\"hModule is nil\""},
        {"select('#', DllManager.Load('nativetest.dll'):UnLoad())", "1"},
        {"nt.UnLoad(5)", "nil"},
    });
}

TEST_F(NativeCall, ResultsConvertByDeclaredType) {
    ExpectCases({
        {"fn('ReturnAllOnes', 'int')()", "-1"},
        {"fn('ReturnAllOnes', 'uint')()", "4294967295"},
        {"fn('ReturnAllOnes', 'bool')()", "true"},
        {"fn('ReturnAllOnes')()", "nil"},
        {"fn('ReturnAllOnes', 'void')()", "nil"},
        {"fn('ReturnAllOnes', 'INT')()", "nil"},
        {"fn('ReturnNull', 'wstr')()", "\"\""},
        {"fn('ReturnNull', 'astr')()", "\"\""},
        {"fn('ReturnNull', 'bool')()", "false"},
        {"fn('ReturnNull', 'ptr')()", "lightuserdata"},
        {"fn('WideHello', 'wstr')()", "\"h\xC3\xA9llo \xE4\xB8\xAD\xE6\x96\x87\""},
        {"select(2, fn('SetErrorAndReturn', 'uint')(1234))", "1234"},
        {"fn('SetErrorAndReturn', 'uint')(1234)", "1234"},
        {"select('#', fn('SetErrorAndReturn')(77))", "2"},
        {"select(2, fn('SetErrorAndReturn')(77))", "77"},
    });
}

TEST_F(NativeCall, ArgumentsBecomeWords) {
    ExpectCases({
        {"fn('EchoWord', 'uint')(nil)", "0"}, {"fn('EchoWord', 'uint')(false)", "0"},
        {"fn('EchoWord', 'uint')(true)", "1"}, {"fn('EchoWord', 'int')(2.5)", "2"},
        {"fn('EchoWord', 'int')(3.5)", "4"}, {"fn('EchoWord', 'int')(-7)", "-7"},
        {"fn('EchoWord', 'uint')(-1)", "4294967295"},
        {"fn('StrLenA', 'uint', true)('\xE4\xB8\xAD')", "3"},   // a Lua string passes its UTF-8 bytes
        {"fn('EchoWord', 'ptr')(fn('ReturnNull', 'ptr')())", "lightuserdata"},
    });
}

TEST_F(NativeCall, UnpassableArgumentsRaiseAnError) {
    ExpectCases({
        {"fn('EchoWord')({})", "error: unknow argument type"},
        {"fn('EchoWord')(1, print)", "error: unknow argument type"},
        {"fn('EchoWord')(coroutine.create(print))", "error: unknow argument type"},
    });
}

// Every argument count under both conventions, with the right and the wrong
// cleans flag: the stack pointer is restored either way, so thousands of
// mismatched calls leave the caller intact and every result right.
TEST_F(NativeCall, BothConventionsWithZeroToTwelveArguments) {
    ASSERT_EQ(RunLua(R"(
        failures = {}
        for n = 0, 12 do
          local args, expected = {}, 0
          for i = 1, n do args[i] = 1000 * i + 7 expected = expected + i * args[i] end
          for _, case in ipairs({{'StdWeighted', nil}, {'CdeclWeighted', true},
                                 {'StdWeighted', true}, {'CdeclWeighted', nil}}) do
            local f = fn(case[1] .. n, 'uint', case[2])
            for round = 1, 200 do
              local got = f(table.unpack(args, 1, n))
              if got ~= expected then
                failures[#failures + 1] = case[1] .. n .. '=' .. tostring(got)
                break
              end
            end
          end
        end
        failures = table.concat(failures, ',')
    )"), "");
    EXPECT_EQ(Eval("failures"), "\"\"");
    // A callee that expects more arguments than it got reads zeros after them.
    EXPECT_EQ(Eval("fn('StdWeighted12', 'uint')(1, 2, 3)"), "14");
}

TEST_F(NativeCall, CalleesWriteIntoStringObjectsAndBuffers) {
    ASSERT_EQ(RunLua("ws = WString.New(10) n = fn('FillWide', 'int')(ws, 10) "
                  "small = WString.New(4) fn('FillWide', 'int')(small, 4) "
                  "as = AString.New(10) fn('FillAnsi', 'int')(as, 10) "
                  "rb = RawBuffer.New(4) fn('StoreOne')(rb) "
                  "r16 = RawBuffer.New(16)"), "");
    ExpectCases({
        {"n", "6"}, {"tostring(ws)", "\"filled\""}, {"#ws", "6"}, {"tostring(small)", "\"fil\""},
        {"tostring(as)", "\"filled\""},
        {"rb:OffsetGetAsUInt32(0)", "1"}, {"rb:OffsetGetAsBoolean(0)", "true"},
        {"fn('PointerDiff', 'int', true)(r16, r16:OffsetGetAsPointer(8))", "8"},
    });
}

TEST_F(NativeCall, AnsiResultsFollowTheThreadCodePage) {
    // The bytes D6 D0 CE C4 read in Windows-1252 (the default test locale).
    if (GetACP() != 1252) GTEST_SKIP() << "code page " << GetACP();
    EXPECT_EQ(Eval("fn('AnsiBytes', 'astr')()"), "\"\xC3\x96\xC3\x90\xC3\x8E\xC3\x84\"");
}

TEST(ChineseCodePage, AnsiResultsAndBuffersUseCodePage936) {
    ASSERT_EQ(GetACP(), 936u) << "this test needs LC_ALL=zh_CN.UTF-8";
    ASSERT_EQ(RunLua("nt = DllManager.Load('nativetest.dll') rz = RawBuffer.New(8) "
                  "rz:OffsetSetAsAString(1, AString.New(nil, '\xE4\xB8\xAD'))"), "");
    EXPECT_EQ(Eval("nt:Get('AnsiBytes', 'astr')()"), "\"\xE4\xB8\xAD\xE6\x96\x87\"");
    EXPECT_EQ(Eval("rz:OffsetGetAsAString(1)"), "\"\xE4\xB8\xAD\"");
    EXPECT_EQ(Eval("rz:OffsetGetAsUInt8(1)"), "214");   // 0xD6, the lead byte
}

TEST(RawBuffer, NewMakesZeroFilledBlocks) {
    ExpectCases({
        {"RawBuffer.New(0)", "nil"}, {"RawBuffer.New()", "nil"}, {"RawBuffer.New('x')", "nil"},
        {"RawBuffer.New(8):OffsetGetAsUInt32(4)", "0"},
        {"RawBuffer.New(3):OffsetGetAsUInt8(2)", "0"},
    });
    EXPECT_EQ(Eval("RawBuffer.New(-1)").rfind("error: ", 0), 0u);   // reads as 4 GB: too big
}

TEST(RawBuffer, NumericAccessorsRoundTrip) {
    ASSERT_EQ(RunLua("b = RawBuffer.New(8) b:OffsetSetAsInt16(2, -2) "
                  "c = RawBuffer.New(8) c:OffsetSetAsUInt32(0, 4294967295) c:OffsetSetAsInt32(4, -5) "
                  "d = RawBuffer.New(8) d:OffsetSetAsUInt32(1, 0x01020304) "
                  "e = RawBuffer.New(8) e:OffsetSetAsUInt16(0, 70000) e:OffsetSetAsUInt8(2, 300) "
                  "  e:OffsetSetAsInt8(3, -1) e:OffsetSetAsInt32(4, '12') "
                  "f = RawBuffer.New(8) f:OffsetSetAsInt32(0, 'x') f:OffsetSetAsUInt16(4, -1) f:OffsetSetAsInt16(6, 65535)"),
              "");
    ExpectCases({
        {"b:OffsetGetAsUInt16(2)", "65534"}, {"b:OffsetGetAsInt8(3)", "-1"}, {"b:OffsetGetAsUInt8(2)", "254"},
        {"b:OffsetGetAsInt16(2)", "-2"}, {"b:OffsetGetAsUInt32(0)", "4294836224"},
        {"c:OffsetGetAsInt32(0)", "-1"}, {"c:OffsetGetAsUInt32(0)", "4294967295"},
        {"c:OffsetGetAsUInt32(4)", "4294967291"}, {"c:OffsetGetAsInt32(4)", "-5"},
        {"d:OffsetGetAsUInt8(1)", "4"}, {"d:OffsetGetAsUInt8(4)", "1"}, {"d:OffsetGetAsUInt32(1)", "16909060"},
        {"e:OffsetGetAsUInt16(0)", "4464"}, {"e:OffsetGetAsUInt8(2)", "44"}, {"e:OffsetGetAsUInt8(3)", "255"},
        {"e:OffsetGetAsInt32(4)", "12"},
        {"f:OffsetGetAsInt32(0)", "0"}, {"f:OffsetGetAsUInt16(4)", "65535"}, {"f:OffsetGetAsInt16(6)", "-1"},
    });
}

TEST(RawBuffer, BooleanPointerAndTextAccessors) {
    ASSERT_EQ(RunLua("g = RawBuffer.New(8) g:OffsetSetAsBoolean(0, 'yes') g:OffsetSetAsBoolean(4, nil) "
                  "other = RawBuffer.New(4) p = RawBuffer.New(4) p:OffsetSetAsPointer(0, other) "
                  "echo = DllManager.Load('nativetest.dll'):Get('EchoWord', 'uint') "
                  "t = RawBuffer.New(16) t:OffsetSetAsWString(1, WString.New(nil, 'hi')) "
                  "t:OffsetSetAsAString(10, AString.New(nil, 'ok')) "
                  "u = RawBuffer.New(12) u:OffsetSetAsWString(0, WString.New(6, 'ab'))"),
              "");
    ExpectCases({
        {"g:OffsetGetAsUInt32(0)", "1"}, {"g:OffsetGetAsBoolean(0)", "true"},
        {"g:OffsetGetAsUInt32(4)", "0"}, {"g:OffsetGetAsBoolean(4)", "false"},
        {"p:OffsetGetAsUInt32(0) == echo(other)", "true"},
        {"g:OffsetGetAsPointer(7)", "lightuserdata"},
        {"t:OffsetGetAsWString(1)", "\"hi\""}, {"t:OffsetGetAsAString(10)", "\"ok\""},
        {"t:OffsetGetAsWString(3)", "\"i\""},
        {"u:OffsetGetAsWString(0)", "\"ab\""}, {"u:OffsetGetAsUInt16(10)", "0"},
    });
}

// Accessors refuse bytes outside a full userdata's block with an error naming the offset.
TEST(RawBuffer, OffsetsOutsideTheBlockAreRefused) {
    ASSERT_EQ(RunLua("h = RawBuffer.New(8) nz = RawBuffer.New(4) nz:OffsetSetAsUInt32(0, 0x00410041) "
                  "na = RawBuffer.New(2) na:OffsetSetAsUInt16(0, 0x4141)"),
              "");
    const Case refused[] = {
        {"h:OffsetGetAsInt32(5)", "offset 5 "},   {"h:OffsetGetAsInt32(-1)", "offset -1 "},
        {"h:OffsetGetAsUInt8(8)", "offset 8 "},   {"h:OffsetGetAsBoolean(6)", "offset 6 "},
        {"h:OffsetGetAsPointer(8)", "offset 8 "}, {"h:OffsetSetAsInt16(7, 1)", "offset 7 "},
        {"h:OffsetSetAsUInt32(2^31, 1)", "offset "},
        {"h:OffsetSetAsWString(4, WString.New(nil, 'abc'))", "offset 4 "},
        {"nz:OffsetGetAsWString(0)", "offset 0 "}, {"na:OffsetGetAsAString(0)", "offset 0 "},
        {"h:OffsetSetAsWString(0, 'text')", "no native block"},
        {"h.OffsetGetAsInt32(h)", "expects 2 arguments"},
        {"h.OffsetGetAsInt32(nil, 0)", "no buffer"},
    };
    for (const Case& c : refused) {
        const std::string result = Eval(c.expression);
        EXPECT_EQ(result.rfind("error: ", 0), 0u) << c.expression << " -> " << result;
        EXPECT_NE(result.find(c.expected), std::string::npos) << c.expression << " -> " << result;
    }
    // The refused writes changed nothing.
    EXPECT_EQ(Eval("h:OffsetGetAsUInt32(0) + h:OffsetGetAsUInt32(4)"), "0");
}

} // namespace
