// Protection against DLL planting: an installer usually starts from a folder
// anyone can write (Downloads), so DLLs are looked up in System32 only.
#pragma once

#include <windows.h>

namespace zrl {

// Restricts the process's DLL search to System32. Called first thing at start,
// before any DLL that is not in the import table is loaded.
void RestrictDllSearchToSystem32();

// Loads a system DLL from System32 only, whatever the search order.
HMODULE LoadSystemLibrary(const wchar_t* name);

} // namespace zrl
