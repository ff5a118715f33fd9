// Uninstall.exe of the sample product, as shipped until the uninstaller that
// runs the deployed uninstall recipe (Uninst.dar0/Uninst.dar1) exists: it says
// so and ends with the fatal code, so no caller takes it for a done uninstall.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    MessageBoxW(nullptr, L"This version of Tarnwick cannot be uninstalled automatically yet.",
                L"Tarnwick - 卸载", MB_ICONINFORMATION);
    return 1603;
}
