// Runs a program and records its full 32-bit exit code: Wine hands only the low
// eight bits to the Linux shell, and 0 for a process that was terminated.
//   exitcode.exe <result file> <program> [arguments...]
// Arguments are passed on quoted as CommandLineToArgvW reads them back.
#include <windows.h>
#include <cstdio>
#include <string>

namespace {

// One argument as it must stand on a command line to arrive unchanged.
std::wstring Quote(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');   // before the closing quote
    return out + L"\"";
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    // The child's command line: the quoted program, then the arguments as given.
    std::wstring program = argv[2];
    std::wstring childLine = L"\"" + program + L"\"";
    for (int i = 3; i < argc; ++i) childLine += L" " + Quote(argv[i]);

    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program.c_str(), childLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi)) {
        return 3;
    }
    CloseHandle(pi.hThread);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    if (FILE* f = _wfopen(argv[1], L"wb")) {
        fprintf(f, "%lu\n", code);
        fclose(f);
    }
    return 0;
}
