// The size baseline for the skin toolkit: reads a file into memory and runs a
// message loop, as skinview does, but draws nothing.
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::wstring text = L"bytes: " + std::to_wstring(data.size());
    ::MessageBoxW(nullptr, text.c_str(), L"uisize", MB_OK);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}
