// The one place where text changes encoding: UTF-8 and code-page bytes to and
// from the host's UTF-16.
#pragma once

#include <windows.h>
#include <string>
#include <string_view>

namespace zrl {

std::wstring ToWide(std::string_view bytes, UINT codePage);
std::string FromWide(std::wstring_view text, UINT codePage);

inline std::wstring Utf8ToWide(std::string_view utf8) { return ToWide(utf8, CP_UTF8); }
inline std::string WideToUtf8(std::wstring_view text) { return FromWide(text, CP_UTF8); }
// The calling thread's ANSI code page, as the trace, chunk names and the log path use.
inline std::wstring AnsiToWide(std::string_view ansi) { return ToWide(ansi, CP_THREAD_ACP); }
inline std::string WideToAnsi(std::wstring_view text) { return FromWide(text, CP_THREAD_ACP); }

} // namespace zrl
