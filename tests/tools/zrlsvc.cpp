// A small Windows service for the service tests. Its log records each step.
//   zrlsvc.exe <log file> [hang]
// Normally it reports running and stops when asked. With "hang" it stays in
// the start-pending state for good (a service that never comes up).
#include <windows.h>
#include <cstdio>
#include <cwchar>

namespace {

const wchar_t* g_log;
bool g_hang;
SERVICE_STATUS_HANDLE g_statusHandle;
HANDLE g_stopEvent;

void Log(const char* text) {
    if (FILE* f = _wfopen(g_log, L"ab")) {
        fprintf(f, "%s\n", text);
        fclose(f);
    }
}

void Report(DWORD state, DWORD waitHint = 0) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWaitHint = waitHint;
    SetServiceStatus(g_statusHandle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
    if (control == SERVICE_CONTROL_STOP) {
        Log("stop requested");
        Report(SERVICE_STOP_PENDING, 500);
        SetEvent(g_stopEvent);
    }
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
    g_statusHandle = RegisterServiceCtrlHandlerExW(L"", Handler, nullptr);
    g_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (g_hang) {
        Log("start pending for good");
        Report(SERVICE_START_PENDING, 1000);
        WaitForSingleObject(g_stopEvent, 300000);
        return;
    }
    Report(SERVICE_START_PENDING, 500);
    Sleep(300);
    Report(SERVICE_RUNNING);
    Log("running");
    WaitForSingleObject(g_stopEvent, INFINITE);
    Sleep(300);
    Log("stopped");
    Report(SERVICE_STOPPED);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    g_log = argv[1];
    g_hang = argc > 2 && wcscmp(argv[2], L"hang") == 0;
    wchar_t name[] = L"";
    SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
