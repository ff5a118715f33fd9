// Test listener: a top-level window that records UM_INSTALLER_DONE (3014).
//   listener.exe <out file> <phase file> <timeout ms>
// Writes "hwnd=<decimal>" at once; on 3014 appends "3014 phases=<phase file text>"
// (what the recipe had recorded at that moment) and ends.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

const wchar_t* g_outFile;
const wchar_t* g_phaseFile;

std::string ReadAll(const wchar_t* path) {
    std::string text;
    if (FILE* f = _wfopen(path, L"rb")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
        fclose(f);
    }
    std::string joined;   // one comma per line, whatever the line ends
    for (char c : text) {
        if (c == '\n') joined += ',';
        else if (c != '\r') joined += c;
    }
    return joined;
}

void Append(const std::string& line) {
    if (FILE* f = _wfopen(g_outFile, L"ab")) {
        fputs(line.c_str(), f);
        fputs("\n", f);
        fclose(f);
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        PostQuitMessage(1);
        return 0;
    }
    if (message == 3014) {
        Append("3014 wparam=" + std::to_string(wParam) + " lparam=" + std::to_string(lParam) +
               " phases=" + ReadAll(g_phaseFile));
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    g_outFile = argv[1];
    g_phaseFile = argv[2];
    const UINT timeout = static_cast<UINT>(_wtoi(argv[3]));

    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZrlTestListener";
    RegisterClassW(&wc);
    HWND window = CreateWindowW(wc.lpszClassName, L"listener", WS_OVERLAPPED, 0, 0, 10, 10,
                                nullptr, nullptr, wc.hInstance, nullptr);
    if (!window) return 3;
    Append("hwnd=" + std::to_string(reinterpret_cast<ULONG_PTR>(window)));
    SetTimer(window, 1, timeout, nullptr);   // WM_TIMER: nothing came in time

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return static_cast<int>(msg.wParam);
}
