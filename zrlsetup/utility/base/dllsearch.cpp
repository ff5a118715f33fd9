// DLL search restriction, with a fallback for systems without SetDefaultDllDirectories.
#include "dllsearch.h"

namespace zrl {

void RestrictDllSearchToSystem32() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Older systems: at least take the current directory out of the search.
    ::SetDllDirectoryW(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // LOAD_LIBRARY_SEARCH_SYSTEM32 unknown to this system: build the full path.
    wchar_t path[MAX_PATH];
    const UINT n = ::GetSystemDirectoryW(path, MAX_PATH);
    if (n == 0 || n + 2 + ::lstrlenW(name) >= MAX_PATH) return nullptr;
    ::lstrcatW(path, L"\\");
    ::lstrcatW(path, name);
    return ::LoadLibraryW(path);
}

} // namespace zrl
