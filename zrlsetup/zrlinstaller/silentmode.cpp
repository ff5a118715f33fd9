// Silent mode: all phases on the main thread, no window, no network.
#include "runmodes.h"

#include "exitcodes.h"
#include "installmgr.h"
#include "../utility/zrlscriptengine/zrlscriptengine.h"
#include "../../jvpublic/jvbase/trace.h"

HWND g_hListenWnd = nullptr;

void NotifyListenWindow() {
    // IsWindow also keeps a listen value of 0xFFFF (HWND_BROADCAST) from reaching every window.
    if (!g_hListenWnd || !::IsWindow(g_hListenWnd)) return;
    // Waits for the listener, but a hung listener cannot hold the installer forever.
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(g_hListenWnd, UM_INSTALLER_DONE, 0, 0, SMTO_ABORTIFHUNG, 60000, &result);
}

int RunSilentMode() {
    ZRLScriptEngine& engine = ZRLScriptEngine::Instance();
    engine.SetGlobalBoolean("global_ss_install", true);
    TRACE(L"global_ss_install==true ~!\r\n");
    TRACE(L"start ss install!");
    engine.SetGlobalString("InstallPath", engine.GetGlobalString("global_install_path"));

    CInstallMgr& manager = CInstallMgr::Instance();
    manager.BeforeInstall();
    manager.OnInstall();
    manager.BeforeComplete();
    manager.AfterComplete();

    NotifyListenWindow();
    return zrl::exitcode::kSuccess;
}
