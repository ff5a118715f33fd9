// GDI+ for the life of a windowed run, loaded from System32 at run time so the
// installer's import table keeps to DLLs Windows always takes from System32.
#pragma once

#include <windows.h>

#include "unique_handle.h"

namespace zrl {

class GdiplusSession {
public:
    GdiplusSession();    // loads gdiplus.dll and starts it; Started() tells whether it worked
    ~GdiplusSession();   // shuts GDI+ down before the DLL is released

    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

    bool Started() const { return token_ != 0; }
    HMODULE Module() const { return module_.Get(); }

private:
    UniqueModule module_;
    ULONG_PTR token_ = 0;
};

} // namespace zrl
