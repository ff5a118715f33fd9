// The switch parser against the edge cases of "/key value" command lines.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "zrlsetup/zrlinstaller/commandlineparser.h"

namespace {

using Map = std::map<std::wstring, std::wstring>;

struct ParseCase {
    const wchar_t* commandLine;
    Map expected;
};

class ParseTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, BuildsExactlyTheExpectedMap) {
    const CCommandLineParser parser(GetParam().commandLine);
    EXPECT_EQ(parser.Arguments(), GetParam().expected) << "command line: " << testing::PrintToString(std::wstring(GetParam().commandLine));
}

INSTANTIATE_TEST_SUITE_P(CommandLines, ParseTable, ::testing::Values(
    ParseCase{L"\"C:\\Setup\\setup.exe\" /InstallSlience true /InstallListenWnd 4660",
              {{L"\"C:\\Setup\\setup.exe\"", L""}, {L"InstallSlience", L"true"}, {L"InstallListenWnd", L"4660"}}},
    ParseCase{L"/InstallSlience   true  ", {{L"InstallSlience", L"true"}}},
    ParseCase{L"/InstallSlience \"true\"", {{L"InstallSlience", L"true"}}},
    ParseCase{L"/InstallSlience \"", {{L"InstallSlience", L"\""}}},
    ParseCase{L"/InstallSlience \"\"a\"\"", {{L"InstallSlience", L"\"a\""}}},
    ParseCase{L"/InstallSlience=true", {{L"InstallSlience=true", L""}}},
    ParseCase{L"/installslience true", {{L"installslience", L"true"}}},
    ParseCase{L"/InstallSlience", {{L"InstallSlience", L""}}},
    ParseCase{L"/InstallListenWnd 12 /InstallListenWnd 34", {{L"InstallListenWnd", L"34"}}},
    ParseCase{L"//InstallSlience true", {{L"InstallSlience", L"true"}}},
    ParseCase{L"/ InstallSlience true", {{L"", L"InstallSlience true"}}},
    ParseCase{L"/Path C:/Temp", {{L"Path", L"C:"}, {L"Temp", L""}}},
    ParseCase{L"/Name a\tb", {{L"Name", L"a\tb"}}},
    ParseCase{L"/Name \t\r\n x \x1d", {{L"Name", L"x"}}},
    ParseCase{L"/Name \x1e x \x1f", {{L"Name", L"\x1e x \x1f"}}},
    ParseCase{L"setup.exe", {{L"setup.exe", L""}}},
    ParseCase{L"", {}},
    ParseCase{L"///", {}}));

TEST(CommandLineParser, GetValueReportsPresenceAndClearsTheOutput) {
    const CCommandLineParser parser(L"setup.exe /InstallSlience /InstallListenWnd 7");
    std::wstring value = L"stale";
    EXPECT_TRUE(parser.GetValue(L"InstallSlience", value));
    EXPECT_EQ(value, L"");
    EXPECT_TRUE(parser.GetValue(L"InstallListenWnd", value));
    EXPECT_EQ(value, L"7");
    EXPECT_FALSE(parser.GetValue(L"installlistenwnd", value));
    EXPECT_EQ(value, L"");
    EXPECT_FALSE(parser.GetValue(L"InstallListenWnd ", value));
}

TEST(CommandLineParser, EmptyMapFindsNothing) {
    const CCommandLineParser parser(L"");
    std::wstring value = L"x";
    EXPECT_FALSE(parser.GetValue(L"", value));
    EXPECT_EQ(value, L"");
}

} // namespace
