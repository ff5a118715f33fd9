// COM-style test DLL: DllRegisterServer / DllUnregisterServer append
// "register" or "unregister" to the file named by ZRL_COMREG_LOG, and fail
// with E_FAIL when ZRL_COMREG_FAIL is set.
#include <windows.h>

namespace {

HRESULT Record(const char* what) {
    wchar_t path[MAX_PATH];
    if (GetEnvironmentVariableW(L"ZRL_COMREG_LOG", path, MAX_PATH) - 1 < MAX_PATH - 1) {
        HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, what, lstrlenA(what), &written, nullptr);
            WriteFile(file, "\n", 1, &written, nullptr);
            CloseHandle(file);
        }
    }
    return GetEnvironmentVariableW(L"ZRL_COMREG_FAIL", nullptr, 0) ? E_FAIL : S_OK;
}

} // namespace

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() { return Record("register"); }
extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() { return Record("unregister"); }
