// TarnwickMain.exe: the sample product's main program. One window of class
// "tarnwickWnd" that says it is running and how it was started:
//   /menu   started from the Start-menu shortcut
//   /auto   started with Windows (starts minimised)
#include <windows.h>
#include <string>

namespace {

constexpr wchar_t kWindowClass[] = L"tarnwickWnd";

std::wstring StartReason(const wchar_t* commandLine) {
    const std::wstring line = commandLine;
    if (line.find(L"/auto") != std::wstring::npos) return L"started with Windows";
    if (line.find(L"/menu") != std::wstring::npos) return L"started from the Start menu";
    return L"started";
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        auto* reason = reinterpret_cast<const std::wstring*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        const std::wstring text = L"Tarnwick is running (" + (reason ? *reason : std::wstring()) + L").";
        DrawTextW(dc, text.c_str(), -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int show) {
    // One running copy: a second start brings the first window forward.
    if (HWND running = FindWindowW(kWindowClass, nullptr)) {
        SwitchToThisWindow(running, TRUE);
        return 0;
    }
    std::wstring reason = StartReason(commandLine);
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassW(&wc)) return 1;
    HWND window = CreateWindowW(kWindowClass, L"Tarnwick", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 480, 200, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&reason));
    ShowWindow(window, reason == L"started with Windows" ? SW_SHOWMINNOACTIVE : show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
