// System facts, privileges and DLL self-registration through the engine.
#include <gtest/gtest.h>

#include <windows.h>
#include <cstdio>
#include <string>

#include "luarun.h"
#include "tracefile.h"
#include "zrlsetup/utility/base/textconv.h"

namespace {

using zrltest::Case;
using zrltest::Eval;
using zrltest::RunLua;

std::string ModulePath(HMODULE module) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    return zrl::WideToUtf8(std::wstring(path, length));
}

std::string Quoted(const std::string& text) { return std::string(1, '"').append(text).append(1, '"'); }

TEST(SystemFacts, VersionWow64AndModulePaths) {
    const std::string self = Quoted(ModulePath(nullptr));
    const std::string kernel = Quoted(ModulePath(GetModuleHandleW(L"kernel32")));
    ASSERT_NE(kernel, self);
    const Case cases[] = {
        {"Lua_GetOSVersion()", "6"},   // Windows 10 prefix, no compatibility declaration
        {"Lua_IsWow64()", "true"},     // 32-bit program in a 64-bit prefix
        {"Lua_GetModuleFileName()", self.c_str()},
        {"Lua_GetModuleFileName('kernel32')", kernel.c_str()},
        {"Lua_GetModuleFileName('zrl_not_loaded.dll')", self.c_str()},
        {"Lua_GetModuleFileName('')", self.c_str()},
        {"Lua_GetModuleFileName(nil)", self.c_str()},
        {"type(Lua_ExitWindows)", "\"function\""},   // never called: it would end the Wine session
    };
    for (const Case& c : cases) EXPECT_EQ(Eval(c.expression), c.expected) << c.expression;
}

TEST(SystemFacts, CommandLineArgvSplitsLikeTheSystem) {
    ASSERT_EQ(RunLua("argv = Lua_GetCommandLineArgv()"), "");
    EXPECT_EQ(Eval("type(argv)"), "\"table\"");
    EXPECT_EQ(Eval("#argv >= 1 and argv[#argv]:find('^%-%-gtest') ~= nil"), "true");   // ctest passes --gtest_color=no
}

TEST(SystemFacts, DriverInstallPathDefaultsToTheProgramFolder) {
    wchar_t expected[MAX_PATH];
    ExpandEnvironmentStringsW(L"%ProgramFiles%\\", expected, MAX_PATH);
    EXPECT_EQ(Eval("Lua_GetDriverInstallPath()"), Quoted(zrl::WideToUtf8(expected)));
    EXPECT_EQ(Eval("Lua_GetDriverInstallPath()"), "\"C:\\Program Files (x86)\\\"");
}

TEST(Privileges, EnableTakesTheLastTwoArguments) {
    zrltest::TraceFile trace;
    const Case cases[] = {
        {"Lua_EnablePrivilege('SeShutdownPrivilege', true)", "true"},
        {"Lua_EnablePrivilege('ignored', 'SeShutdownPrivilege', true)", "true"},
        {"Lua_EnablePrivilege('SeShutdownPrivilege', false)", "true"},   // disabling
        {"Lua_EnablePrivilege('SeShutdownPrivilege')", "false"},         // the name must lie below the flag
        {"Lua_EnablePrivilege('SeZrlNoSuchPrivilege', true)", "false"},
    };
    for (const Case& c : cases) EXPECT_EQ(Eval(c.expression), c.expected) << c.expression;
    EXPECT_TRUE(trace.Contains(L"kq LookupPrivilegeValue failed!kq err:1313"));
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        log_ = std::wstring(temp) + L"zrl-comreg-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
        DeleteFileW(log_.c_str());
        SetEnvironmentVariableW(L"ZRL_COMREG_LOG", log_.c_str());
        SetEnvironmentVariableW(L"ZRL_COMREG_FAIL", nullptr);
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring dir(self);
        dir.resize(dir.rfind(L'\\'));
        SetEnvironmentVariableW(L"ZRL_TEST_DIR", dir.c_str());
        ASSERT_EQ(RunLua("comreg = '%ZRL_TEST_DIR%\\\\comreg.dll'"), "");
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"ZRL_COMREG_LOG", nullptr);
        SetEnvironmentVariableW(L"ZRL_COMREG_FAIL", nullptr);
        DeleteFileW(log_.c_str());
    }
    std::string Log() const {
        std::string text;
        if (FILE* file = _wfopen(log_.c_str(), L"rb")) {
            char buffer[256];
            size_t count;
            while ((count = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
            fclose(file);
        }
        return text;
    }
    // Waits for a program that runs on its own to have written `text`.
    bool WaitForLog(const std::string& text) const {
        for (int i = 0; i < 300; ++i) {
            if (Log() == text) return true;
            Sleep(100);
        }
        return false;
    }
    std::wstring log_;
};

TEST_F(Registration, RegSvr32CallsTheRightExportInProcess) {
    const Case cases[] = {
        {"Lua_RegSvr32(comreg, true)", "true"},
        {"Lua_RegSvr32(comreg, false)", "true"},
        {"Lua_RegSvr32(comreg)", "true"},
        {"Lua_RegSvr32(comreg, 0)", "true"},   // 0 is a given truth: register
    };
    for (const Case& c : cases) EXPECT_EQ(Eval(c.expression), c.expected) << c.expression;
    EXPECT_EQ(Log(), "register\nunregister\nunregister\nregister\n");
}

TEST_F(Registration, RegSvr32Failures) {
    zrltest::TraceFile trace;
    ASSERT_EQ(RunLua("notdll = '%ZRL_TEST_DIR%\\\\notadll.txt' long = string.rep('y', 300)"), "");
    const std::wstring notDll = _wgetenv(L"ZRL_TEST_DIR") + std::wstring(L"\\notadll.txt");
    if (FILE* file = _wfopen(notDll.c_str(), L"wb")) { fputs("not a dll", file); fclose(file); }
    SetEnvironmentVariableW(L"ZRL_COMREG_FAIL", L"1");
    const Case cases[] = {
        {"Lua_RegSvr32(comreg, true)", "false"},                                   // E_FAIL
        {"Lua_RegSvr32('%ZRL_TEST_DIR%\\\\zrl_missing.dll', true)", "false"},
        {"Lua_RegSvr32(notdll, true)", "false"},
        {"Lua_RegSvr32('%ZRL_TEST_DIR%\\\\nativetest.dll', true)", "false"},     // no such export
        {"Lua_RegSvr32(long, true)", "false"},
    };
    for (const Case& c : cases) EXPECT_EQ(Eval(c.expression), c.expected) << c.expression;
    DeleteFileW(notDll.c_str());
    EXPECT_EQ(Log(), "register\n");
    EXPECT_TRUE(trace.Contains(L"\\zrl_missing.dll it's not exists!"));
    EXPECT_TRUE(trace.Contains(L"kq Fun:Lua_RegSvr32, Description: LoadLibrary "));
    EXPECT_TRUE(trace.Contains(L"kq Fun:Lua_RegSvr32, Description:path too long after expansion"));
}

TEST_F(Registration, RegistDllStartsTheToolAndReturnsAtOnce) {
    EXPECT_EQ(Eval("Lua_RegistDll(comreg, '/s')"), "true");
    EXPECT_TRUE(WaitForLog("register\n")) << Log();
    EXPECT_EQ(Eval("Lua_RegistDll(comreg, '/u /s')"), "true");
    EXPECT_TRUE(WaitForLog("register\nunregister\n")) << Log();
    zrltest::TraceFile trace;
    EXPECT_EQ(Eval("Lua_RegistDll('%ZRL_TEST_DIR%\\\\zrl_missing.dll', '/s')"), "false");
    EXPECT_TRUE(trace.Contains(L"kq Fun:Lua_RegistDll, Description:"));
}

} // namespace
