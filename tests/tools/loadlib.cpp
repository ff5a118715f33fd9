// Loads a DLL by bare name with the default search order: the control case
// that shows a planted DLL beside a program is picked up when nothing stops it.
//   loadlib.exe <name.dll>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    return LoadLibraryW(argv[1]) ? 0 : 1;
}
