// Windowed mode: the skin package, DPI awareness and the installer window.
#include "runmodes.h"

#include "exitcodes.h"
#include "../utility/base/dllsearch.h"
#include "../utility/base/gdiplussession.h"
#include "../utility/base/unique_handle.h"
#include "../../jvpublic/jvbase/jvstatmodule.h"
#include "../../jvpublic/jvbase/trace.h"

#include <curl/curl.h>

#include <string>

namespace {

constexpr DWORD kDefaultUnionId = 40000;
constexpr UINT kStatDispatchHostString = 6001;

struct SkinPackage {
    const void* data = nullptr;
    DWORD size = 0;
};

// The skin ZIP (resource ZIP/249), valid for the life of the process.
bool LoadSkinPackage(HINSTANCE instance, SkinPackage& skin) {
    HRSRC info = ::FindResourceW(instance, MAKEINTRESOURCEW(249), L"ZIP");
    zrl::UniqueResourceData data(info ? ::LoadResource(instance, info) : nullptr);
    if (!data) {
        TRACE_LAST_ERROR(L"LoadResource failed. type : XML, id : LAYOUT.XML");
        return false;
    }
    skin.data = ::LockResource(data.Get());
    if (!skin.data) {
        TRACE_LAST_ERROR(L"LockResource failed.");
        return false;
    }
    skin.size = ::SizeofResource(instance, info);
    if (skin.size == 0) {
        TRACE(L"ResSize == 0\r\n");
        return false;
    }
    return true;
}

void BecomePerMonitorDpiAware() {
    zrl::UniqueModule shcore(zrl::LoadSystemLibrary(L"Shcore.dll"));
    if (!shcore) return;
    using SetProcessDpiAwarenessFn = HRESULT(WINAPI*)(int);
    auto setAwareness = reinterpret_cast<SetProcessDpiAwarenessFn>(
        reinterpret_cast<void*>(::GetProcAddress(shcore.Get(), "SetProcessDpiAwareness")));
    if (setAwareness) setAwareness(2);   // per-monitor aware
}

// The channel id for the statistics module: HKCU\SOFTWARE\tarnwick "UnionId", at least 100.
DWORD ReadUnionId() {
    zrl::UniqueRegKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\tarnwick", 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
        return kDefaultUnionId;
    }
    DWORD value = 0, size = sizeof value;
    if (::RegQueryValueExW(key.Get(), L"UnionId", nullptr, nullptr,
                           reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        value < 100) {
        return kDefaultUnionId;
    }
    return value;
}

// The statistics dispatch host carried in the executable's string table.
std::wstring StatDispatchHost(HINSTANCE instance) {
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(instance, kStatDispatchHostString, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

// libcurl and the statistics module for the length of the window's life:
// set up before the window is created, shut down after its message loop.
class ReportingSession {
public:
    ReportingSession(HINSTANCE instance, int appId, DWORD unionId) {
        ::curl_global_init(CURL_GLOBAL_ALL);
        JVStatModule::Instance()->Init(appId, static_cast<int>(unionId), StatDispatchHost(instance), L"");
    }
    ~ReportingSession() {
        JVStatModule::Instance()->Shutdown();
        ::curl_global_cleanup();
    }
    ReportingSession(const ReportingSession&) = delete;
    ReportingSession& operator=(const ReportingSession&) = delete;
};

} // namespace

int RunWindowedMode(HINSTANCE instance, int appId) {
    SkinPackage skin;
    if (!LoadSkinPackage(instance, skin)) return zrl::exitcode::kFatalError;
    BecomePerMonitorDpiAware();
    zrl::GdiplusSession gdiplus;   // the skin's text and images are drawn with GDI+
    const DWORD unionId = ReadUnionId();
    TRACE(L"windowed mode: skin %u bytes, app id %d, union id %u, GDI+ %s\r\n", skin.size, appId,
          unionId, gdiplus.Started() ? L"started" : L"unavailable");
    ReportingSession reporting(instance, appId, unionId);

    // The skinned installer window is not part of this build yet: end without installing.
    TRACE(L"windowed mode: the installer window is not available in this build\r\n");
    return zrl::exitcode::kFatalError;
}

