// Holds a file open without sharing until a release file appears.
//   holdfile.exe <file> <state file> <release file> [image]
// With "image" the file is held the way Windows holds a loaded program or DLL:
// it cannot be written or replaced, but it can be renamed or moved.
// Writes "held" to the state file once the file is open, "released" after closing it.
#include <windows.h>
#include <cwchar>
#include <cstdio>

namespace {

void Append(const wchar_t* path, const char* text) {
    if (FILE* f = _wfopen(path, L"ab")) {
        fprintf(f, "%s\n", text);
        fclose(f);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    const DWORD share = argc > 4 && wcscmp(argv[4], L"image") == 0 ? FILE_SHARE_READ | FILE_SHARE_DELETE : 0;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    Append(argv[2], "held");
    const DWORD start = GetTickCount();
    while (GetFileAttributesW(argv[3]) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 300000) Sleep(100);
    CloseHandle(file);
    Append(argv[2], "released");
    return 0;
}
