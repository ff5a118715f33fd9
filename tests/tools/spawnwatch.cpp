// Test process watcher: starts programs, waits for a signal file, then
// reports how each ended and ends the ones still running.
//   spawnwatch.exe <ready file> <done file> <result file> <exe>...
// Result lines: "<exe> exit=<code>" or "<exe> running".
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

void WriteLine(FILE* out, const std::wstring& line) {
    int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8.data(), n, nullptr, nullptr);
    fprintf(out, "%s\n", utf8.c_str());
}

void Touch(const wchar_t* path) {
    if (FILE* f = _wfopen(path, L"wb")) fclose(f);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) return 2;
    std::vector<PROCESS_INFORMATION> children;
    for (int i = 4; i < argc; ++i) {
        std::wstring commandLine = L"\"" + std::wstring(argv[i]) + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(argv[i], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &si, &pi)) {
            fwprintf(stderr, L"cannot start %ls: %lu\n", argv[i], GetLastError());
            return 3;
        }
        CloseHandle(pi.hThread);
        children.push_back(pi);
    }
    Touch(argv[1]);
    for (int waited = 0; !Exists(argv[2]) && waited < 120000; waited += 50) Sleep(50);

    FILE* out = _wfopen(argv[3], L"wb");
    for (size_t i = 0; i < children.size(); ++i) {
        DWORD code = 0;
        GetExitCodeProcess(children[i].hProcess, &code);
        if (code == STILL_ACTIVE) {
            WriteLine(out, std::wstring(argv[i + 4]) + L" running");
            TerminateProcess(children[i].hProcess, 1);
        } else {
            WriteLine(out, std::wstring(argv[i + 4]) + L" exit=" + std::to_wstring(code));
        }
        CloseHandle(children[i].hProcess);
    }
    fclose(out);
    return 0;
}
