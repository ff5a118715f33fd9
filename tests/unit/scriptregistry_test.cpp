// Lua_RegQuery, Lua_RegAdd and Lua_RegDel against the prefix's real registry,
// in HKCU and in HKLM (the 32-bit view).
#include <gtest/gtest.h>

#include <windows.h>
#include <string>
#include <vector>

#include "luarun.h"
#include "tracefile.h"

namespace {

using zrltest::Case;
using zrltest::Eval;
using zrltest::RunLua;

const std::string kBase = "Software\\\\ZrlScriptTest";   // as written inside Lua source

bool KeyExists(HKEY root, const wchar_t* path, REGSAM view = 0) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The raw type and bytes of a value, read past the script functions.
bool ReadRaw(HKEY root, const wchar_t* path, const wchar_t* name, DWORD& type, std::vector<BYTE>& data,
             REGSAM view = 0) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    data.resize(size);
    if (status == ERROR_SUCCESS) status = RegQueryValueExW(key, name, nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZrlScriptTest");
        ASSERT_EQ(RunLua("B = '" + kBase + "'"), "");
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZrlScriptTest"); }
};

// Where a root's test key is, for the script and for raw reads past it.
struct RootCase {
    const char* root;           // as the script names it
    const char* scriptPath;     // the key as written inside Lua source
    HKEY key;
    const wchar_t* rawPath;     // the same key in the 64-bit view
};

class RegistryTypes : public ::testing::TestWithParam<RootCase> {
protected:
    void SetUp() override {
        RegDeleteTreeW(GetParam().key, GetParam().rawPath);
        ASSERT_EQ(RunLua(std::string("R = '") + GetParam().root + "' P = '" + GetParam().scriptPath + "'"), "");
    }
    void TearDown() override { RegDeleteTreeW(GetParam().key, GetParam().rawPath); }
    bool Raw(const wchar_t* name, DWORD& type, std::vector<BYTE>& data) {
        return ReadRaw(GetParam().key, GetParam().rawPath, name, type, data, KEY_WOW64_64KEY);
    }
};

TEST_P(RegistryTypes, EachTypeIsWrittenAndReadBack) {
    ASSERT_EQ(RunLua(R"(
        r = {
          Lua_RegAdd(R, P, 'sz', 'REG_SZ', '%TMP%\\x'),
          Lua_RegAdd(R, P, 'esz', 'REG_EXPAND_SZ', '%TMP%\\x'),
          Lua_RegAdd(R, P, 'dw', 'REG_DWORD', 4294967295),
          Lua_RegAdd(R, P, 'dwtext', 'REG_DWORD', '17'),
          Lua_RegAdd(R, P, 'bin', 'REG_BINARY', '0A0b1'),
          Lua_RegAdd(R, P, 'zero', 'REG_BINARY', 0),
          Lua_RegAdd(R, P, 'cn', 'REG_SZ', '\xE5\xAE\x89\xE8\xA3\x85'),
          Lua_RegAdd(R, P, 'num', 'REG_SZ', 12),
          Lua_RegAdd(R, P, '', 'REG_SZ', 'default'),
        }
        for i = 1, 9 do assert(r[i] == true, 'RegAdd #' .. i) end
    )"), "");
    wchar_t tmp[MAX_PATH];
    ASSERT_GT(ExpandEnvironmentStringsW(L"%TMP%\\x", tmp, MAX_PATH), 0u);
    const Case cases[] = {
        {"Lua_RegQuery(R, P, 'esz')", "\"%TMP%\\x\""},
        {"Lua_RegQuery(R, P, 'dw')", "4294967295"},
        {"Lua_RegQuery(R, P, 'dwtext')", "17"},
        {"Lua_RegQuery(R, P, 'bin')", "nil"},
        {"Lua_RegQuery(R, P, 'cn')", "\"\xE5\xAE\x89\xE8\xA3\x85\""},
        {"Lua_RegQuery(R, P, 'num')", "\"12\""},
        {"Lua_RegQuery(R, P)", "\"default\""},
        {"Lua_RegQuery(R, P, 'missing')", "nil"},
        {"Lua_RegQuery(R:lower(), P, 'dw')", "nil"},
        {"Lua_RegQuery(R, P .. '\\\\nokey', 'dw')", "nil"},
    };
    for (const Case& c : cases) EXPECT_EQ(Eval(c.expression), c.expected) << c.expression;

    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(Raw(L"esz", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    ASSERT_TRUE(Raw(L"bin", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(data, (std::vector<BYTE>{0x0A, 0x0B, 0x01}));
    ASSERT_TRUE(Raw(L"zero", type, data));
    EXPECT_EQ(data, (std::vector<BYTE>{0x00}));
    ASSERT_TRUE(Raw(L"sz", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(data.data())), tmp);
}

// HKLM: this 32-bit program's machine keys land under Wow6432Node.
INSTANTIATE_TEST_SUITE_P(Roots, RegistryTypes, ::testing::Values(
    RootCase{"HKCU", "Software\\\\ZrlScriptTypes", HKEY_CURRENT_USER, L"Software\\ZrlScriptTypes"},
    RootCase{"HKLM", "SOFTWARE\\\\ZrlScriptTypes", HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\ZrlScriptTypes"}),
    [](const ::testing::TestParamInfo<RootCase>& info) { return std::string(info.param.root); });

TEST_F(Registry, OverwriteOnlyWhenAsked) {
    ASSERT_EQ(RunLua(R"(
        a = Lua_RegAdd('HKCU', B, 'v', 'REG_SZ', 'old')
        b = Lua_RegAdd('HKCU', B, 'v', 'REG_SZ', 'new')
        after_keep = Lua_RegQuery('HKCU', B, 'v')
        c = Lua_RegAdd('HKCU', B, 'v', 'REG_SZ', 'new', true)
        after_replace = Lua_RegQuery('HKCU', B, 'v')
        d = Lua_RegAdd('HKCU', B, 'v', 'REG_DWORD', 5, 1)
    )"), "");
    EXPECT_EQ(Eval("a and b and c and d"), "true");
    EXPECT_EQ(Eval("after_keep"), "\"old\"");
    EXPECT_EQ(Eval("after_replace"), "\"new\"");
    EXPECT_EQ(Eval("Lua_RegQuery('HKCU', B, 'v')"), "5");
}

TEST_F(Registry, FailuresAndRefusalsReturnFalse) {
    zrltest::TraceFile trace;
    const std::string longText(300, 'x');
    ASSERT_EQ(RunLua("long = string.rep('x', 300)"), "");
    const Case cases[] = {
        {"Lua_RegAdd('hkcu', B, 'v', 'REG_SZ', 'x')", "false"},              // unknown root: no key
        {"Lua_RegAdd('HKCU', B, 'long', 'REG_SZ', long)", "false"},          // does not fit 260 units
        {"Lua_RegQuery('HKCU', B, 'long')", "nil"},
        {"Lua_RegAdd('HKCU', B, 'badhex', 'REG_BINARY', '0G')", "false"},
        {"Lua_RegQuery('HKCU', B, 'badhex')", "nil"},
        {"Lua_RegAdd('HKCU', B, 'longexp', 'REG_EXPAND_SZ', long)", "true"},  // stored unexpanded, uncut
        {"#Lua_RegQuery('HKCU', B, 'longexp')", "300"},
        {"Lua_RegAdd('HKCU', B .. '\\\\typeless', 'q', 'REG_QWORD', 1)", "true"},   // key only
        {"Lua_RegQuery('HKCU', B .. '\\\\typeless', 'q')", "nil"},
    };
    for (const Case& c : cases) EXPECT_EQ(Eval(c.expression), c.expected) << c.expression;
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\ZrlScriptTest\\typeless"));
    EXPECT_TRUE(trace.Contains(L"kq Fun:Lua_RegAdd, Description:path too long after expansion"));
}

TEST_F(Registry, DeleteRemovesKeyTreesOrSingleValues) {
    zrltest::TraceFile trace;
    ASSERT_EQ(RunLua(R"(
        assert(Lua_RegAdd('HKCU', B .. '\\a\\b\\c', 'deep', 'REG_DWORD', 1))
        assert(Lua_RegAdd('HKCU', B .. '\\a\\b2', 'side', 'REG_SZ', 's'))
        assert(Lua_RegAdd('HKCU', B .. '\\a', 'top', 'REG_SZ', 't'))
        assert(Lua_RegAdd('HKCU', B .. '\\keep', 'one', 'REG_SZ', '1'))
        assert(Lua_RegAdd('HKCU', B .. '\\keep', 'two', 'REG_SZ', '2'))
        tree = Lua_RegDel('HKCU', B .. '\\a')
        value = Lua_RegDel('HKCU', B .. '\\keep', 'one')
        missing_value = Lua_RegDel('HKCU', B .. '\\keep', 'one')
        missing_key = Lua_RegDel('HKCU', B .. '\\a')
        bad_root = Lua_RegDel('hkcu', B .. '\\keep')
        no_subkey = Lua_RegDel('HKCU', '')
    )"), "");
    EXPECT_EQ(Eval("tree"), "true");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\ZrlScriptTest\\a"));
    EXPECT_EQ(Eval("value"), "true");
    EXPECT_EQ(Eval("Lua_RegQuery('HKCU', B .. '\\\\keep', 'one')"), "nil");
    EXPECT_EQ(Eval("Lua_RegQuery('HKCU', B .. '\\\\keep', 'two')"), "\"2\"");
    EXPECT_EQ(Eval("missing_value"), "false");
    EXPECT_EQ(Eval("missing_key"), "false");
    EXPECT_EQ(Eval("bad_root"), "false");
    EXPECT_EQ(Eval("no_subkey"), "false");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\ZrlScriptTest\\keep"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Wine"));   // HKCU itself untouched
    EXPECT_TRUE(trace.Contains(L"kq Delete Value HKCU, Software\\ZrlScriptTest\\keep, one"));
    EXPECT_TRUE(trace.Contains(L"kq DeleteSubKey Software\\ZrlScriptTest\\a failed, errcode: 2"));
    EXPECT_TRUE(trace.Contains(L"kq OpenKey hkcu failed, errcode: 6"));
}

// A 32-bit program's machine keys live in the 32-bit view (Wow6432Node).
TEST(RegistryMachine, WritesAndDeletesInThe32BitView) {
    ASSERT_EQ(RunLua(R"(
        M = 'SOFTWARE\\ZrlScriptTest'
        Lua_RegDel('HKLM', M)
        added = Lua_RegAdd('HKLM', M .. '\\sub', 'InstallPath', 'REG_SZ', 'C:\\Apps\\T')
        read = Lua_RegQuery('HKLM', M .. '\\sub', 'InstallPath')
    )"), "");
    EXPECT_EQ(Eval("added"), "true");
    EXPECT_EQ(Eval("read"), "\"C:\\Apps\\T\"");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ZrlScriptTest\\sub", KEY_WOW64_32KEY));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\ZrlScriptTest\\sub", KEY_WOW64_64KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ZrlScriptTest", KEY_WOW64_64KEY));
    EXPECT_EQ(Eval("Lua_RegDel('HKLM', M)"), "true");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\ZrlScriptTest", KEY_WOW64_64KEY));
}

} // namespace
