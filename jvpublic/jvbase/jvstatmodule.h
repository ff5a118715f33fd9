// JVStatModule: the installer's wrapper around the separately shipped
// statistics DLL (pqstat.dll beside the executable). Configures it at start,
// sends action reports from its single pool thread and closes it at exit.
// Without the DLL (or without an export) every call is skipped.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "csinglet.h"
#include "threadpool.h"

class JVStatModule : public ThreadPoolImpl, public std::enable_shared_from_this<JVStatModule> {
public:
    static std::shared_ptr<JVStatModule> Instance() { return CSingleT<JVStatModule>::Instance(); }
    ~JVStatModule() override;

    // Starts the pool, loads the DLL and configures it; the result of stat_init,
    // false without the DLL or that export. `unused` is accepted and ignored.
    bool Init(int appId, int unionId, const std::wstring& dispatchHost, const std::wstring& unused);
    // Queues one action report (stat_mutilaction on the pool thread); returns at once.
    void ReportAction(int actionId);
    // Stops the pool (queued reports are dropped), then stat_offline(),
    // stat_close(200), and unloads the DLL.
    void Shutdown();

private:
    friend class CSingleT<JVStatModule>;
    JVStatModule() = default;

    void LoadExports();
    void SendAction(int actionId);
    template <typename Fn> Fn Export(int index) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(exports_[index]));
    }

    // The DLL's twenty exports, in the interface's order; null when missing.
    static constexpr int kExportCount = 20;
    FARPROC exports_[kExportCount] = {};
    HMODULE module_ = nullptr;
    int appId_ = 0;
    int unionId_ = 0;
    std::wstring dispatchHost_;
};
