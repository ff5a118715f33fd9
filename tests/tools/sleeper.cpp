// Test program that runs until it is stopped (at most five minutes).
#include <windows.h>

int wmain() {
    Sleep(300000);
    return 0;
}
