// Test program: holds a file open with no sharing until asked to let go.
//   filelock.exe <file> <ready marker> <release marker>
// Creates the ready marker once the file is held; closes the file when the
// release marker appears (or after two minutes) and ends.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    HANDLE ready = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
    for (int i = 0; i < 6000 && GetFileAttributesW(argv[3]) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(20);
    CloseHandle(file);
    return 0;
}
