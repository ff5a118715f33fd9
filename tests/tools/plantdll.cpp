// A look-alike DLL for the planting test: records in C:\planted.txt that a
// process loaded it, under whatever system DLL name it was copied to.
#include <windows.h>
#include <cstdio>
#include <cstdlib>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH];
        GetModuleFileNameA(instance, path, MAX_PATH);
        if (FILE* f = fopen("C:\\planted.txt", "ab")) {
            fprintf(f, "%s\n", path);
            fclose(f);
        }
    }
    return TRUE;
}
