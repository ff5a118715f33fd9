// The two ways an install runs once start-up has loaded the recipe.
#pragma once

#include <windows.h>

// The listen window from /InstallListenWnd; 0 when there is none.
extern HWND g_hListenWnd;

// Sends UM_INSTALLER_DONE to the listen window, if there is one.
void NotifyListenWindow();

// Runs the four remaining phases on this thread and notifies the listen window.
int RunSilentMode();

// Hands the skin to the UI toolkit and runs the installer window.
int RunWindowedMode(HINSTANCE instance, int appId);

// Schedules the log path for deletion at the next restart.
void ScheduleLogDeletion();
