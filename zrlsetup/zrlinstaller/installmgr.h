// The install manager: the only caller of the recipe's five phase functions.
// Each phase runs under one recursive lock; the install phase first stops the
// tool programs an earlier install left in the install folder.
#pragma once

#include <windows.h>
#include <mutex>

// Worker to installer window, posted when the install phases are done (wParam: result, always 0).
constexpr UINT UM_INSTALL_FINISHED = 11032;
// Installer to the listen window, sent when an install ends.
constexpr UINT UM_INSTALLER_DONE = 3014;

class CInstallMgr {
public:
    static CInstallMgr& Instance();
    virtual ~CInstallMgr();

    void BeforeInit();
    void BeforeInstall();
    void OnInstall();
    void BeforeComplete();
    void AfterComplete();

private:
    CInstallMgr() = default;
    void RunPhase(const char* scriptFunction, bool stopToolsFirst);

    std::recursive_mutex phaseLock_;
};

// Stops every running copy of the programs in <install path>\Tools\<tool>\*.exe.
void KillAllToolProcess();

// Thread procedure of the windowed install worker: install and completion
// phases, then UM_INSTALL_FINISHED to the window given as the argument.
unsigned __stdcall InstallWorker(void* window);
