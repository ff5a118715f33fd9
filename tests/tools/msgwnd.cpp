// Test window that records the messages other programs send it.
//   msgwnd.exe <class> <log file> [stubborn]
// Logs "ready pid=<id>", then "syscommand <wParam>", "close", and
// "msg <message> <wParam> <lParam>" for messages from WM_USER on. It ends with
// exit code 7 on WM_CLOSE; a stubborn window ignores close requests and runs
// until it is terminated (at most five minutes).
#include <windows.h>
#include <cstdio>
#include <cwchar>

namespace {

const wchar_t* g_log;
bool g_stubborn;

void Log(const char* format, unsigned long a = 0, unsigned long b = 0, unsigned long c = 0) {
    if (FILE* f = _wfopen(g_log, L"ab")) {
        fprintf(f, format, a, b, c);
        fputc('\n', f);
        fclose(f);
    }
}

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SYSCOMMAND:
        Log("syscommand %lu", static_cast<unsigned long>(wParam & 0xFFF0));
        if (g_stubborn && (wParam & 0xFFF0) == SC_CLOSE) return 0;
        break;
    case WM_CLOSE:
        Log("close");
        if (!g_stubborn) DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(7);
        return 0;
    default:
        if (message >= WM_USER && message < 0xC000) {
            Log("msg %lu %lu %lu", message, static_cast<unsigned long>(wParam), static_cast<unsigned long>(lParam));
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    g_log = argv[2];
    g_stubborn = argc > 3 && wcscmp(argv[3], L"stubborn") == 0;
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = argv[1];
    RegisterClassW(&wc);
    HWND window = CreateWindowW(argv[1], L"message window", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100,
                                nullptr, nullptr, wc.hInstance, nullptr);
    if (!window) return 3;
    Log("ready pid=%lu", GetCurrentProcessId());
    SetTimer(nullptr, 0, 300000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
        DispatchMessageW(&msg);
    }
    return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 0;
}
