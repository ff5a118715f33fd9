// TarnwickSrv.exe: the sample product's Windows service "tarnwickSvc".
//   TarnwickSrv.exe --install     registers the service (automatic start) and starts it
//   TarnwickSrv.exe --uninstall   stops and removes it
// Started by the service manager, it runs until it is told to stop.
#include <windows.h>
#include <cwchar>

namespace {

constexpr wchar_t kServiceName[] = L"tarnwickSvc";
constexpr wchar_t kDisplayName[] = L"Tarnwick Service";

// The one service of this process; the service manager's callbacks carry no context.
SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopEvent = nullptr;

void ReportState(DWORD state) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWaitHint = 3000;
    SetServiceStatus(g_statusHandle, &status);
}

DWORD WINAPI ControlHandler(DWORD control, DWORD, void*, void*) {
    if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
        ReportState(SERVICE_STOP_PENDING);
        SetEvent(g_stopEvent);
    }
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
    g_statusHandle = RegisterServiceCtrlHandlerExW(kServiceName, ControlHandler, nullptr);
    if (!g_statusHandle) return;
    g_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ReportState(SERVICE_RUNNING);
    WaitForSingleObject(g_stopEvent, INFINITE);
    CloseHandle(g_stopEvent);
    ReportState(SERVICE_STOPPED);
}

int Install() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    wchar_t binaryPath[MAX_PATH + 2];
    swprintf(binaryPath, MAX_PATH + 2, L"\"%ls\"", path);
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
    if (!manager) return 1;
    SC_HANDLE service = CreateServiceW(manager, kServiceName, kDisplayName, SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                                       SERVICE_ERROR_NORMAL, binaryPath, nullptr, nullptr,
                                       nullptr, nullptr, nullptr);
    if (!service && GetLastError() == ERROR_SERVICE_EXISTS) {
        service = OpenServiceW(manager, kServiceName, SERVICE_ALL_ACCESS);
        if (service) {
            ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_AUTO_START, SERVICE_NO_CHANGE,
                                 binaryPath, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        }
    }
    int result = 1;
    if (service) {
        result = StartServiceW(service, 0, nullptr) || GetLastError() == ERROR_SERVICE_ALREADY_RUNNING ? 0 : 2;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return result;
}

int Uninstall() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return 1;
    int result = 1;
    if (SC_HANDLE service = OpenServiceW(manager, kServiceName, SERVICE_STOP | DELETE | SERVICE_QUERY_STATUS)) {
        SERVICE_STATUS status{};
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        result = DeleteService(service) ? 0 : 2;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return result;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && wcscmp(argv[1], L"--install") == 0) return Install();
    if (argc > 1 && wcscmp(argv[1], L"--uninstall") == 0) return Uninstall();
    SERVICE_TABLE_ENTRYW table[] = {{const_cast<wchar_t*>(kServiceName), ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
