// Lua_SCM: starts or stops a service through the service manager and waits,
// within a bound, until the service reports the wanted state.
#include "scriptservices.h"

#include <windows.h>

#include <algorithm>

#include "scriptargs.h"
#include "../base/unique_handle.h"
#include "../../../jvpublic/jvbase/trace.h"

namespace zrl::script {
namespace {

struct ServiceHandleTraits {
    using Value = SC_HANDLE;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value h) noexcept { ::CloseServiceHandle(h); }
};
using UniqueServiceHandle = UniqueResource<ServiceHandleTraits>;

// How long a start or stop may take before the wait gives up. The service
// manager itself allows a service 30 s to report that it has started.
constexpr DWORD kStateWaitLimitMs = 30000;
// Bounds of one pause between status queries (a wait hint of 0 would spin).
constexpr DWORD kMinPollMs = 100;
constexpr DWORD kMaxPollMs = 3000;

bool UnknownError() {
    TRACE(L"Unknow Error in fun:%s\r\n", L"Lua_SCM");
    TRACE_LAST_ERROR(L"");
    return false;
}

// Polls the status, sleeping for the service's wait hint, until `wanted` or the limit.
bool WaitForState(SC_HANDLE service, const std::wstring& name, DWORD wanted) {
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
        SERVICE_STATUS status{};
        if (!::QueryServiceStatus(service, &status)) return UnknownError();
        if (status.dwCurrentState == wanted) return true;
        const ULONGLONG elapsed = ::GetTickCount64() - start;
        if (elapsed >= kStateWaitLimitMs) {
            TRACE(L"Lua_SCM: service %s still in state %lu, not %lu, after %lu ms; gave up\r\n", name.c_str(),
                  status.dwCurrentState, wanted, kStateWaitLimitMs);
            return false;
        }
        const DWORD left = kStateWaitLimitMs - static_cast<DWORD>(elapsed);
        ::Sleep(std::min(left, std::clamp(status.dwWaitHint, kMinPollMs, kMaxPollMs)));
    }
}

bool ControlByName(const std::wstring& name, const std::wstring& action) {
    UniqueServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, GENERIC_EXECUTE));
    if (!manager) {
        TRACE_LAST_ERROR(L"OpenSCManager failed!");
        return false;
    }
    UniqueServiceHandle service(
        ::OpenServiceW(manager.Get(), name.c_str(), SERVICE_QUERY_STATUS | SERVICE_START | SERVICE_STOP));
    if (!service) {
        if (::GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) return true;   // nothing to control
        TRACE_LAST_ERROR(L"OpenService failed!");
        return false;
    }
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(service.Get(), &status)) {
        TRACE_LAST_ERROR(L"QueryServiceStatus failed!");
        return false;
    }
    if (_wcsicmp(action.c_str(), L"start") == 0) {
        if (status.dwCurrentState == SERVICE_STOPPED && !::StartServiceW(service.Get(), 0, nullptr)) {
            TRACE_LAST_ERROR(L"StartService failed!");
            return false;
        }
        return WaitForState(service.Get(), name, SERVICE_RUNNING);
    }
    if (_wcsicmp(action.c_str(), L"stop") == 0) {
        if (status.dwCurrentState == SERVICE_RUNNING &&
            !::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) {
            TRACE_LAST_ERROR(L"StopService failed!");
            return false;
        }
        return WaitForState(service.Get(), name, SERVICE_STOPPED);
    }
    return UnknownError();
}

} // namespace

int Lua_SCM(lua_State* L) {
    lua_pushboolean(L, ControlByName(ArgText(L, 1), ArgText(L, 2)) ? 1 : 0);
    return 1;
}

} // namespace zrl::script
