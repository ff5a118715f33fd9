// Process entry of the installer: prepares the log, reads the command line,
// loads the configuration script and the recipe, applies the single-instance
// rule, runs the first phase and then the silent or windowed mode.
#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>
#include <cwchar>
#include <string>

#include "appinstance.h"
#include "commandlineparser.h"
#include "exitcodes.h"
#include "installmgr.h"
#include "runmodes.h"
#include "../utility/base/dllsearch.h"
#include "../utility/base/textconv.h"
#include "../utility/base/unique_handle.h"
#include "../utility/zrlscriptengine/zrlscriptengine.h"
#include "../../jvpublic/jvbase/jvbaselog.h"
#include "../../jvpublic/jvbase/trace.h"

namespace {

constexpr wchar_t kDefaultInstanceName[] = L"Global\\{A043B702-166A-4FB8-9733-E2BC4713F36F}";

std::wstring LogPath() {
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    ::PathAddBackslashW(folder);
    return std::wstring(folder) + L"Install.log";
}

// COM on the main thread, as a single-threaded apartment, for the run's length.
class ComApartment {
public:
    ComApartment() : initialised_(SUCCEEDED(::CoInitialize(nullptr))) {}
    ~ComApartment() { if (initialised_) ::CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
private:
    bool initialised_;
};

bool SilentRequested(const CCommandLineParser& arguments) {
    std::wstring value;
    return arguments.GetValue(L"InstallSlience", value) && value == L"true";
}

bool ChooseSilentMode(const CCommandLineParser& arguments) {
    ZRLScriptEngine& engine = ZRLScriptEngine::Instance();
    bool silent = SilentRequested(arguments);
    if (engine.GetGlobalBoolean("global_enable_ss_install") && !silent) {
        silent = engine.GetGlobalBoolean("global_ss_install");
    }
    return silent;
}

int RunInstaller(HINSTANCE instance) {
    const std::wstring logPath = LogPath();
    ::DeleteFileW(logPath.c_str());
    CJVBaseLog::Instance().InitLogger(zrl::WideToAnsi(logPath));

    const CCommandLineParser arguments(::GetCommandLineW());
    std::wstring listenWindow;
    if (arguments.GetValue(L"InstallListenWnd", listenWindow)) {
        g_hListenWnd = reinterpret_cast<HWND>(
            static_cast<ULONG_PTR>(std::wcstoul(listenWindow.c_str(), nullptr, 10)));
    }

    ZRLScriptEngine& engine = ZRLScriptEngine::Instance();
    // A caller that asked for silence gets errors in the log, never a box to wait on.
    if (SilentRequested(arguments)) engine.SetErrorMode(ScriptErrorMode::LogOnly);

    if (!engine.RunResourceScript(L"LUA", L"GLOBAL_VAR.LUAC")) {
        TRACE(L"DoResLua failed, GLOBAL_VAR.LUAC");
        return zrl::exitcode::kFatalError;
    }
    if (!engine.RunResourceScript(L"LUA", L"INSTSCRIPT.LUAC")) {
        TRACE(L"DoResLua failed, INSTSCRIPT.LUAC");
        return zrl::exitcode::kFatalError;
    }

    std::wstring instanceName = engine.GetGlobalString("global_install_mutex_guid");
    int appId = engine.GetGlobalInteger("global_app_id");
    if (instanceName.empty()) {
        instanceName = kDefaultInstanceName;
    } else {
        appId = 0;
    }
    zrl::UniqueHandle otherInstance(CreateAppInstance(instanceName, appId));
    std::wstring ignored;
    if (otherInstance && !arguments.GetValue(L"InstallSlience", ignored)) {
        TRACE(L"CreateAppInstance return true");
        return zrl::exitcode::kAnotherInstance;
    }

    ComApartment com;
    CInstallMgr::Instance().BeforeInit();

    const bool silent = ChooseSilentMode(arguments);
    int exitCode;
    if (silent) {
        engine.SetErrorMode(ScriptErrorMode::LogOnly);
        exitCode = RunSilentMode();
    } else {
        exitCode = RunWindowedMode(instance, appId);
    }
    if (exitCode == zrl::exitcode::kSuccess) ScheduleLogDeletion();
    return exitCode;
}

} // namespace

void ScheduleLogDeletion() {
    ::MoveFileExW(LogPath().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything can load a DLL: never from the installer's own folder.
    zrl::RestrictDllSearchToSystem32();
    return RunInstaller(instance);
}
