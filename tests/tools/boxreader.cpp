// Test box reader: waits for a message box, records its caption and text as
// UTF-8, then presses one of its buttons.
//   boxreader.exe <out file> <timeout ms> [button id, default IDOK]
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring WindowText(HWND window) {
    int n = GetWindowTextLengthW(window);
    std::wstring text(n + 1, L'\0');
    GetWindowTextW(window, text.data(), n + 1);
    text.resize(n);
    return text;
}

BOOL CALLBACK LongestStatic(HWND child, LPARAM out) {
    wchar_t cls[64];
    GetClassNameW(child, cls, 64);
    auto* best = reinterpret_cast<std::wstring*>(out);
    if (lstrcmpiW(cls, L"Static") == 0) {
        std::wstring text = WindowText(child);
        if (text.size() > best->size()) *best = text;
    }
    return TRUE;
}

BOOL CALLBACK FindBox(HWND window, LPARAM out) {
    wchar_t cls[64];
    GetClassNameW(window, cls, 64);
    if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(out) = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const DWORD timeout = static_cast<DWORD>(_wtoi(argv[2]));
    const int button = argc > 3 ? _wtoi(argv[3]) : IDOK;
    const DWORD start = GetTickCount();
    HWND box = nullptr;
    while (!box && GetTickCount() - start < timeout) {
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
        if (!box) Sleep(100);
    }
    if (!box) return 1;
    Sleep(200);   // let the box finish laying out its text
    std::wstring text;
    EnumChildWindows(box, LongestStatic, reinterpret_cast<LPARAM>(&text));
    if (FILE* f = _wfopen(argv[1], L"wb")) {
        std::string caption = Utf8(WindowText(box)), body = Utf8(text);
        fprintf(f, "caption=%s\n%s", caption.c_str(), body.c_str());
        fclose(f);
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    return 0;
}
