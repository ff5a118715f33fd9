// Test window of a given class, shown minimised; records when something
// restores it.   classwnd.exe <class> <state file> <timeout ms>
// Writes "ready" once the window exists, "restored" when it is no longer iconic,
// and "closed" when it is closed (the program then ends with exit code 0).
#include <windows.h>
#include <cstdio>
#include <cstdlib>

namespace {

const wchar_t* g_stateFile;

void Write(const char* state) {
    if (FILE* f = _wfopen(g_stateFile, L"ab")) {
        fprintf(f, "%s\n", state);
        fclose(f);
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        Write("closed");
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    g_stateFile = argv[2];
    const DWORD timeout = static_cast<DWORD>(_wtoi(argv[3]));
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = argv[1];
    RegisterClassW(&wc);
    HWND window = CreateWindowW(argv[1], L"test window", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200,
                                nullptr, nullptr, wc.hInstance, nullptr);
    if (!window) return 3;
    ShowWindow(window, SW_SHOWMINIMIZED);
    Write("ready");
    const DWORD start = GetTickCount();
    bool restored = false;
    while (GetTickCount() - start < timeout) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return 0;
            DispatchMessageW(&msg);
        }
        if (!restored && !IsIconic(window)) {
            restored = true;
            Write("restored");
        }
        Sleep(50);
    }
    return 0;
}
