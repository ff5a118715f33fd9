// A look-alike DLL for the planting test: records in C:\planted.txt that a
// process loaded it, under whatever system DLL name it was copied to.
#include <windows.h>
#include <cstdio>
#include <cstdlib>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH];
        GetModuleFileNameW(instance, path, MAX_PATH);
        if (FILE* f = _wfopen(L"C:\\planted.txt", L"ab")) {
            fwprintf(f, L"%ls\n", path);
            fclose(f);
        }
    }
    return TRUE;
}
