// Reads the lossless trace copy (ZRLSETUP_TRACE_FILE) written from the moment
// a TraceFile is made, so a test sees only its own lines.
#pragma once

#include <windows.h>
#include <cstdio>
#include <string>

#include "zrlsetup/utility/base/textconv.h"

namespace zrltest {

class TraceFile {
public:
    TraceFile() : start_(Read().size()) {}

    // The UTF-16 text traced since construction.
    std::wstring Since() const {
        const std::string all = Read();
        return zrl::Utf8ToWide(all.size() > start_ ? all.substr(start_) : std::string());
    }
    bool Contains(const std::wstring& text) const { return Since().find(text) != std::wstring::npos; }

private:
    static std::string Read() {
        wchar_t path[MAX_PATH];
        const DWORD length = GetEnvironmentVariableW(L"ZRLSETUP_TRACE_FILE", path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return {};
        std::string bytes;
        if (FILE* file = _wfopen(path, L"rb")) {
            char buffer[4096];
            size_t count;
            while ((count = fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, count);
            fclose(file);
        }
        return bytes;
    }

    size_t start_;
};

} // namespace zrltest
