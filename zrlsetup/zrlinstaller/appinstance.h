// Single instance per product, and bringing a window to the foreground.
#pragma once

#include <windows.h>
#include <string>

// Claims the machine-wide mutex named `instanceName` (+ appId when not 0).
// Returns an empty handle when this process now holds the name (or the mutex
// could not be made); otherwise the running installer's window is brought
// forward and the handle of the existing mutex is returned.
HANDLE CreateAppInstance(const std::wstring& instanceName, int appId);

// The name CreateAppInstance uses for the mutex.
std::wstring AppInstanceObjectName(const std::wstring& instanceName, int appId);

// Forces a window of this process to the foreground, even when another
// process owns the foreground; the window ends up not topmost.
void BringWindowToFront(HWND window);
