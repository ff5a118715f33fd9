// DPI steps and scaling of layout lengths.
#pragma once

#include <windows.h>

namespace zui {

// 96..119 -> 96, 120..143 -> 120, 144..167 -> 144, 168..191 -> 168, 192+ -> 192; below 96 unchanged.
int StepDpi(int dpi);
// MulDiv(dpi, 100, 96) of the stepped DPI: 100, 125, 150, 175 or 200.
int ScaleForDpi(int dpi);
// Effective DPI of the monitor holding the window (primary when none does):
// GetDpiForMonitor from Shcore.dll, else the screen's LOGPIXELSX.
int MonitorDpi(HWND window);

inline int ScaleLength(int v, int scale) { return ::MulDiv(v, scale, 100); }
// Scales left, top, width and height each, then right = left + width, bottom = top + height.
RECT ScaleRect(const RECT& r, int scale);

} // namespace zui
