// The rule that keeps archive entries inside the destination, and entry paths.
#include <gtest/gtest.h>

#include "zrlsetup/utility/zrlscriptengine/payload/entrypath.h"

using zrl::payload::EntryPath;
using zrl::payload::IsSafeEntryName;

TEST(EntryNames, NamesThatStayInsideAreAccepted) {
    for (const wchar_t* name : {L"a.txt", L"dir/sub/file.dll", L".hidden", L"..a", L"a..b/c", L"CONFIG.SYS",
                                L"COM10", L"LPT", L"nul2.txt", L"con-tools/x", L"\x4E2D\x6587/\x6587\x4EF6.txt"}) {
        EXPECT_TRUE(IsSafeEntryName(name)) << name;
    }
}

TEST(EntryNames, NamesThatLeaveOrNameDevicesAreRefused) {
    for (const wchar_t* name : {L"", L"/abs", L"\\abs", L"\\\\server\\share\\x", L"C:\\x", L"C:x", L"a/../../x",
                                L"..", L"../x", L"a\\..\\..\\x", L"./x", L"a//b", L"a/", L"x.txt:stream",
                                L"NUL", L"nul.txt", L"sub/CON", L"Aux.log", L"com1", L"LPT9.x", L"COM\x00B9",
                                L"CONIN$", L"dots/...", L"trail ", L"trail.", L"ctl\x01name"}) {
        EXPECT_FALSE(IsSafeEntryName(name)) << name;
    }
}

TEST(EntryNames, PathsJoinWithOneBackslash) {
    EXPECT_EQ(EntryPath(L"C:\\dest", L"a/b/c.txt"), L"C:\\dest\\a\\b\\c.txt");
    EXPECT_EQ(EntryPath(L"C:\\dest", L"c.txt"), L"C:\\dest\\c.txt");
}
