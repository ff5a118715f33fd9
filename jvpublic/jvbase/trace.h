// The debug trace: one tagged line per message to the debugger output.
//
// TRACE(fmt, ...)        "kq " + the message, formatted with the C library's
//                        wide printf rules (%s takes a UTF-16 string); at most
//                        1023 UTF-16 units per line, no line end added.
// TRACE_LAST_ERROR(msg)  the failure triple: msg + "kq file:", msg + "kq line:",
//                        msg + "kq err:" with GetLastError(), each on its own line.
//
// Setting the environment variable ZRLSETUP_TRACE_FILE to a path also appends
// every line, losslessly as UTF-8, to that file (OutputDebugStringW loses
// anything outside the ANSI code page on some systems).
#pragma once

#include <cstddef>

namespace zrl::trace {

constexpr std::size_t kLineUnits = 1024;   // buffer size, terminating zero included

// Formats into a line buffer (tag first) and sends it; usable from any thread.
void Write(const wchar_t* format, ...);
// The failure triple; lastError is GetLastError() taken by the macro before any call.
void WriteFailure(const wchar_t* message, const char* file, int line, unsigned long lastError);

} // namespace zrl::trace

#define TRACE(...) ::zrl::trace::Write(__VA_ARGS__)
#define TRACE_LAST_ERROR(message) \
    ::zrl::trace::WriteFailure(message, __FILE__, __LINE__, ::GetLastError())
