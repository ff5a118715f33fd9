// The single-instance mutex and foreground activation.
#include "appinstance.h"

#include <cwchar>

#include "../../jvpublic/jvbase/trace.h"

std::wstring AppInstanceObjectName(const std::wstring& instanceName, int appId) {
    if (appId == 0) return instanceName;
    return instanceName + std::to_wstring(appId);
}

HANDLE CreateAppInstance(const std::wstring& instanceName, int appId) {
    // A null DACL: installers of every user and session must see the one name.
    SECURITY_DESCRIPTOR descriptor;
    ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, TRUE};

    const std::wstring objectName = AppInstanceObjectName(instanceName, appId);
    if (objectName.size() >= MAX_PATH) {
        TRACE(L"instance name too long, running without single-instance check\r\n");
        return nullptr;
    }
    TRACE(L" szObjectName = %s ", objectName.c_str());

    HANDLE mutex = ::CreateMutexW(&attributes, FALSE, objectName.c_str());
    if (mutex && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        if (HWND running = ::FindWindowW(L"CDlgInstall", nullptr)) {
            ::SwitchToThisWindow(running, TRUE);
        }
        return mutex;
    }
    // A newly created mutex stays open until the process ends: it holds the name.
    return nullptr;
}

void BringWindowToFront(HWND window) {
    const DWORD foregroundThread = ::GetWindowThreadProcessId(::GetForegroundWindow(), nullptr);
    const DWORD currentThread = ::GetCurrentThreadId();
    ::AttachThreadInput(currentThread, foregroundThread, TRUE);
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetForegroundWindow(window);
    ::AttachThreadInput(currentThread, foregroundThread, FALSE);
}
