// Run-time binding of the GDI+ flat API.
#include "gdiplusapi.h"

#include "zrlsetup/utility/base/dllsearch.h"

namespace zui {
namespace {

struct GdiPlusState {
    HMODULE module = nullptr;
    ULONG_PTR token = 0;
    bool tried = false;
    bool ok = false;
    bool shutDown = false;   // after the toolkit's release, GDI+ stays off
    GdiPlusApi api;
};

GdiPlusState& State() {
    static GdiPlusState state;
    return state;
}

} // namespace

const GdiPlusApi* Gdip() {
    GdiPlusState& s = State();
    if (s.shutDown) return nullptr;
    if (s.tried) return s.ok ? &s.api : nullptr;
    s.tried = true;
    s.module = zrl::LoadSystemLibrary(L"gdiplus.dll");
    if (!s.module) return nullptr;
    bool all = true;
#define ZUI_RESOLVE(name) \
    s.api.name = reinterpret_cast<decltype(s.api.name)>(reinterpret_cast<void*>(::GetProcAddress(s.module, #name))); \
    all = all && s.api.name;
    ZUI_GDIPLUS_FUNCTIONS(ZUI_RESOLVE)
    ZUI_RESOLVE(GdiplusStartup)
    ZUI_RESOLVE(GdiplusShutdown)
#undef ZUI_RESOLVE
    Gdiplus::GdiplusStartupInput input;
    if (!all || s.api.GdiplusStartup(&s.token, &input, nullptr) != Gdiplus::Ok) {
        ::FreeLibrary(s.module);
        s.module = nullptr;
        return nullptr;
    }
    s.ok = true;
    return &s.api;
}

void AllowGdiPlus() { State().shutDown = false; }

void ShutdownGdiPlus() {
    GdiPlusState& s = State();
    if (s.ok) s.api.GdiplusShutdown(s.token);
    if (s.module) ::FreeLibrary(s.module);
    s = GdiPlusState{};
    s.shutDown = true;
}

} // namespace zui
