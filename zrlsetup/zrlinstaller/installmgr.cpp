// Phase sequencing, the install worker and the tool-process clean-up.
#include "installmgr.h"

#include <shlwapi.h>
#include <string>

#include "../utility/base/textconv.h"
#include "../utility/base/unique_handle.h"
#include "../utility/base/zrlprocesstoolhelp.h"
#include "../utility/zrlscriptengine/zrlscriptengine.h"
#include "../../jvpublic/jvbase/jvbaselog.h"

CInstallMgr& CInstallMgr::Instance() {
    static CInstallMgr manager;
    return manager;
}

CInstallMgr::~CInstallMgr() = default;

void CInstallMgr::RunPhase(const char* scriptFunction, bool stopToolsFirst) {
    std::lock_guard<std::recursive_mutex> lock(phaseLock_);
    if (stopToolsFirst) KillAllToolProcess();
    ZRLScriptEngine::Instance().CallScriptEvent(scriptFunction);
}

void CInstallMgr::BeforeInit() { RunPhase("ZRLSE_BeforeInit", false); }
void CInstallMgr::BeforeInstall() { RunPhase("ZRLSE_BeforeInstall", false); }
void CInstallMgr::OnInstall() { RunPhase("ZRLSE_OnInstall", true); }
void CInstallMgr::BeforeComplete() { RunPhase("ZRLSE_BeforeComplete", false); }
void CInstallMgr::AfterComplete() { RunPhase("ZRLSE_AfterComplete", false); }

void KillAllToolProcess() {
    const std::wstring toolsFolder =
        ZRLScriptEngine::Instance().GetGlobalString("global_install_path") + L"\\Tools\\";
    LOG_INFO("strAppPath:{}", zrl::WideToUtf8(toolsFolder));

    WIN32_FIND_DATAW tool;
    zrl::UniqueFindHandle tools(::FindFirstFileW((toolsFolder + L"\\*.*").c_str(), &tool));
    if (!tools) return;
    do {
        if (!(tool.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        const std::wstring name = tool.cFileName;
        if (name == L"." || name == L"..") continue;

        const std::wstring toolFolder = toolsFolder + name;
        LOG_INFO("{}", zrl::FromWide(toolFolder, CP_ACP));
        WIN32_FIND_DATAW file;
        zrl::UniqueFindHandle files(::FindFirstFileW((toolFolder + L"\\*.*").c_str(), &file));
        if (!files) continue;
        do {
            if (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            // Exact, case-sensitive: "Updater.EXE" is not a tool program.
            if (std::wstring(::PathFindExtensionW(file.cFileName)) != L".exe") continue;
            LOG_INFO("2:----{}", zrl::FromWide(file.cFileName, CP_ACP));
            TerminateProcessesByName({file.cFileName});
        } while (::FindNextFileW(files.Get(), &file));
    } while (::FindNextFileW(tools.Get(), &tool));
}

unsigned __stdcall InstallWorker(void* window) {
    CInstallMgr& manager = CInstallMgr::Instance();
    manager.OnInstall();
    manager.BeforeComplete();
    ::PostMessageW(static_cast<HWND>(window), UM_INSTALL_FINISHED, 0, 0);
    return 0;
}
