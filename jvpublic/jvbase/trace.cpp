// Debug trace lines: OutputDebugStringW, plus an opt-in UTF-8 copy in a file.
#include "trace.h"

#include <windows.h>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <mutex>
#include <string>

#include "../../zrlsetup/utility/base/textconv.h"

namespace zrl::trace {
namespace {

// The lossless copy of the trace, opened once on first use when asked for.
class TraceFile {
public:
    static TraceFile& Instance() {
        static TraceFile file;
        return file;
    }

    void Append(const wchar_t* line) {
        if (!file_) return;
        std::string bytes = WideToUtf8(line);
        // One record per trace call: lines that carry no line end get one here.
        if (bytes.empty() || bytes.back() != '\n') bytes += '\n';
        std::lock_guard<std::mutex> lock(mutex_);
        std::fwrite(bytes.data(), 1, bytes.size(), file_);
        std::fflush(file_);
    }

private:
    TraceFile() {
        wchar_t path[MAX_PATH];
        DWORD n = ::GetEnvironmentVariableW(L"ZRLSETUP_TRACE_FILE", path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) file_ = ::_wfopen(path, L"ab");
    }
    ~TraceFile() { if (file_) std::fclose(file_); }

    std::FILE* file_ = nullptr;
    std::mutex mutex_;
};

void Emit(const wchar_t* line) {
    ::OutputDebugStringW(line);
    TraceFile::Instance().Append(line);
}

void FormatInto(wchar_t (&buffer)[kLineUnits], const wchar_t* format, va_list args) {
    buffer[0] = L'k'; buffer[1] = L'q'; buffer[2] = L' ';
    const std::size_t room = kLineUnits - 3;
    // msvcrt's _vsnwprintf: %s is a wide string in wide functions. It leaves the
    // buffer unterminated when the text does not fit, so the end is set by hand.
    ::_vsnwprintf(buffer + 3, room - 1, format, args);
    buffer[kLineUnits - 1] = L'\0';
}

} // namespace

void Write(const wchar_t* format, ...) {
    wchar_t buffer[kLineUnits];
    va_list args;
    va_start(args, format);
    FormatInto(buffer, format, args);
    va_end(args);
    Emit(buffer);
}

void WriteFailure(const wchar_t* message, const char* file, int line, unsigned long lastError) {
    const std::wstring path = AnsiToWide(file);
    // The message is pasted in front of each format, so its own '%' must stay literal.
    std::wstring prefix;
    for (const wchar_t* c = message ? message : L""; *c; ++c) {
        prefix += *c;
        if (*c == L'%') prefix += L'%';
    }
    Write((prefix + L"kq file:%s\r\n").c_str(), path.c_str());
    Write((prefix + L"kq line:%d\r\n").c_str(), line);
    Write((prefix + L"kq err:%d\r\n").c_str(), static_cast<int>(lastError));
}

} // namespace zrl::trace
