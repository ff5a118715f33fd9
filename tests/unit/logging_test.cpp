// The install log (file naming, old-log clean-up, line format) and the debug
// trace (tag, cut at 1023 units, failure triple), read back from real files.
#include <gtest/gtest.h>

#include <windows.h>
#include <ctime>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "jvpublic/jvbase/jvbaselog.h"
#include "jvpublic/jvbase/trace.h"
#include "zrlsetup/utility/base/textconv.h"

namespace {

std::string TempFolder(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void Touch(const std::string& path) { std::ofstream(path) << "x"; }
bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Today(const char* base) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    char name[64];
    std::snprintf(name, sizeof name, "%s_%d-%02d-%02d.log", base, local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday);
    return name;
}

TEST(DeleteOldLogs, RemovesEarlierLogsOfTheSameBaseNameOnly) {
    const std::string folder = TempFolder("zrl-oldlogs");
    const struct { const char* name; bool kept; } files[] = {
        {"Install_2024-05-01.log", false}, {"Install_2024-05-02.log", false},
        {"Install_notes.txt", false},      {"Install.log", true},
        {"InstallShield_1.log", true},     {"Other_2024-05-01.log", true},
    };
    for (const auto& f : files) Touch(folder + "\\" + f.name);
    Touch(folder + "\\" + Today("Install"));

    zrl::log::DeleteOldLogs(folder, "Install");

    for (const auto& f : files) EXPECT_EQ(Exists(folder + "\\" + f.name), f.kept) << f.name;
    EXPECT_TRUE(Exists(folder + "\\" + Today("Install")));
}

TEST(InstallLog, WritesPrefixedLinesIntoTheDailyFileAndAppends) {
    const std::string folder = TempFolder("zrl-log");
    const std::string daily = folder + "\\" + Today("Install");
    std::ofstream(daily, std::ios::binary) << "earlier line\r\n";

    CJVBaseLog::Instance().InitLogger(folder + "\\Install.log");
    ASSERT_NE(CJVBaseLog::Instance().Logger(), nullptr);
    LOG_INFO("strAppPath:{}", "C:\\Program Files\\Tarnwick\\Tools\\");
    LOG_INFO("plain");

    const std::string text = ReadFile(daily);
    EXPECT_EQ(text.rfind("earlier line\r\n", 0), 0u) << "the daily file is appended to, not truncated";
    const std::regex line(
        R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\] \[info\] \[\d+\] )"
        R"(\[logging_test\.cpp TestBody: \d+\] strAppPath:C:\\Program Files\\Tarnwick\\Tools\\\r\n)");
    EXPECT_TRUE(std::regex_search(text, line)) << text;
    EXPECT_NE(text.find("] plain\r\n"), std::string::npos) << text;
    EXPECT_FALSE(Exists(folder + "\\Install.log"));
}

TEST(InstallLog, AnUncreatableFileLeavesLoggingOff) {
    // A folder that does not exist: spdlog cannot open the file.
    CJVBaseLog::Instance().InitLogger("Q:\\no\\such\\folder\\Install.log");
    EXPECT_EQ(CJVBaseLog::Instance().Logger(), nullptr);
    LOG_INFO("nothing happens {}", 1);
}

// The trace file copy (ZRLSETUP_TRACE_FILE, set by the test's environment) holds the lines.
std::string TracePath() {
    char path[MAX_PATH];
    if (!GetEnvironmentVariableA("ZRLSETUP_TRACE_FILE", path, MAX_PATH)) return {};
    return path;
}

std::string TraceFileText() { return ReadFile(TracePath()); }

// Lines of earlier runs must not satisfy this run's checks: start from no file.
const bool g_freshTraceFile = DeleteFileA(TracePath().c_str()) || true;

TEST(Trace, TagsFormatsAndCutsLines) {
    TRACE(L"start ss install!");
    TRACE(L"LoadResource failed. Type : %s ID : %s\r\n", L"LUA", L"\x5B89\x88C5.LUAC");
    TRACE(L"%s", std::wstring(2000, L'x').c_str());
    const std::string text = TraceFileText();
    ASSERT_FALSE(text.empty()) << "ZRLSETUP_TRACE_FILE not set or not written";
    EXPECT_NE(text.find("kq start ss install!\n"), std::string::npos);
    EXPECT_NE(text.find("kq LoadResource failed. Type : LUA ID : \xE5\xAE\x89\xE8\xA3\x85.LUAC\r\n"),
              std::string::npos);
    // 3 units of tag + 1020 of message = 1023 units, no more.
    EXPECT_NE(text.find("kq " + std::string(1020, 'x') + "\n"), std::string::npos);
    EXPECT_EQ(text.find(std::string(1021, 'x')), std::string::npos);
}

TEST(Trace, FailureTripleCarriesFileLineAndLastError) {
    SetLastError(ERROR_ACCESS_DENIED);
    TRACE_LAST_ERROR(L"OpenProcessToken failed!");
    const int line = __LINE__ - 1;
    SetLastError(0xC0000005);
    TRACE_LAST_ERROR(L"");
    const std::string text = TraceFileText();
    EXPECT_NE(text.find("kq OpenProcessToken failed!kq file:tests/unit/logging_test.cpp\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("kq OpenProcessToken failed!kq line:" + std::to_string(line) + "\r\n"), std::string::npos);
    EXPECT_NE(text.find("kq OpenProcessToken failed!kq err:5\r\n"), std::string::npos);
    EXPECT_NE(text.find("kq kq err:-1073741819\r\n"), std::string::npos);
}

} // namespace
