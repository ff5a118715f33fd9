// Stands in for netsh.exe in a test prefix (Wine's netsh does nothing): records
// each command line, after the program name, as one UTF-8 line in C:\netsh.log.
#include <windows.h>
#include <shellapi.h>
#include <cstdio>
#include <string>

int wmain() {
    // Everything after the program's own name, exactly as the caller wrote it.
    const wchar_t* line = GetCommandLineW();
    bool quoted = false;
    while (*line && (quoted || (*line != L' ' && *line != L'\t'))) {
        if (*line == L'"') quoted = !quoted;
        ++line;
    }
    while (*line == L' ' || *line == L'\t') ++line;
    const int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8.data(), n, nullptr, nullptr);
    if (FILE* f = _wfopen(L"C:\\netsh.log", L"ab")) {
        fprintf(f, "%s\n", utf8.c_str());
        fclose(f);
    }
    return 0;
}
