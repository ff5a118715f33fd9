// ScriptErrorHandler: turns a script runtime error into a report with the Lua
// call stack, shows or logs it, and ends the process with the fatal exit code.
#include "zrlscriptengine.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "../base/textconv.h"
#include "../../../jvpublic/jvbase/jvbaselog.h"
#include "../../../jvpublic/jvbase/trace.h"

namespace {

constexpr wchar_t kFeedbackSentence[] = L"请向我们反馈以上错误信息，以便我们改善产品质量！";
constexpr wchar_t kBoxCaption[] = L":-( 杯具，脚本执行时发生错误";

void AppendFormat(std::string& out, const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n > 0) out.append(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1));
}

bool IsValidUtf8(const std::string& bytes) {
    return bytes.empty() ||
           ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                 static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

// The error value and the call stack, as bytes from the script (UTF-8 or ANSI).
std::string BuildReport(lua_State* L) {
    std::string report;
    const char* message = lua_tostring(L, -1);
    AppendFormat(report, "%s\n", message ? message : "(null)");

    lua_Debug record;
    for (int level = 0; lua_getstack(L, level, &record); ++level) {
        lua_getinfo(L, "nSlu", &record);
        if (level == 0) report += "      <call stack>\n";
        const char* prefix = level == 0 ? "-> | " : "--  | ";
        if (record.name) {
            AppendFormat(report, "%s%s() : line %d [%s : line %d]\n", prefix, record.name,
                         record.currentline, record.source, record.linedefined);
        } else {
            AppendFormat(report, "%sunknown : line %d [%s : line %d]\n", prefix,
                         record.currentline, record.source, record.linedefined);
        }
    }
    return report;
}

// Silent runs must not wait on a box: every line goes to the trace and the log.
void LogReport(const std::wstring& text) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = text.substr(start, end - start);
        TRACE(L"script error: %s\r\n", line.c_str());
        LOG_INFO("script error: {}", zrl::WideToUtf8(line));
        start = end + 1;
    }
}

} // namespace

std::wstring FormatScriptError(lua_State* L) {
    const std::string report = BuildReport(L);
    // Recipe texts are UTF-8; text in any other encoding is read in the ANSI code page.
    return IsValidUtf8(report) ? zrl::Utf8ToWide(report) : zrl::AnsiToWide(report);
}

int ScriptErrorHandler(lua_State* L) {
    std::wstring text = FormatScriptError(L);

    if (ZRLScriptEngine::Instance().ErrorMode() == ScriptErrorMode::LogOnly) {
        LogReport(text);
    } else {
        text += kFeedbackSentence;
        ::MessageBoxW(nullptr, text.c_str(), kBoxCaption, MB_ICONERROR);
    }
    ::ExitProcess(ZRLScriptEngine::kScriptErrorExitCode);
}
