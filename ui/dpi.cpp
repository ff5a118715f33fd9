// DPI: monitor query through Shcore.dll (loaded at run time) and the scale steps.
#include "dpi.h"

#include "zrlsetup/utility/base/dllsearch.h"

namespace zui {

int StepDpi(int dpi) {
    if (dpi >= 192) return 192;
    if (dpi >= 168) return 168;
    if (dpi >= 144) return 144;
    if (dpi >= 120) return 120;
    if (dpi >= 96) return 96;
    return dpi;
}

int ScaleForDpi(int dpi) { return ::MulDiv(StepDpi(dpi), 100, 96); }

int MonitorDpi(HWND window) {
    HMONITOR monitor = ::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static HMODULE shcore = zrl::LoadSystemLibrary(L"Shcore.dll");   // kept for the process
    auto getDpi = shcore ? reinterpret_cast<GetDpiForMonitorFn>(
                               reinterpret_cast<void*>(::GetProcAddress(shcore, "GetDpiForMonitor")))
                         : nullptr;
    if (getDpi) {
        UINT x = 0, y = 0;
        if (SUCCEEDED(getDpi(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y))) return int(x);
        ::MessageBoxW(nullptr, L"GetDpiForMonitor failed", L"Notification", MB_OK);
    }
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

RECT ScaleRect(const RECT& r, int scale) {
    const int left = ScaleLength(r.left, scale), top = ScaleLength(r.top, scale);
    const int width = ScaleLength(r.right - r.left, scale), height = ScaleLength(r.bottom - r.top, scale);
    return RECT{left, top, left + width, top + height};
}

} // namespace zui
