// JVStatModule: loading and configuring pqstat.dll, action reports on the
// pool thread, and the shutdown sequence.
#include "jvstatmodule.h"

#include <string>

#include "../../zrlsetup/utility/base/textconv.h"

namespace {

const char* const kExportNames[] = {
    "stat_init", "stat_proxy", "stat_dispatch_addr", "stat_online_addr", "stat_action_addr",
    "stat_install_addr", "stat_loginout_addr", "stat_unionid", "stat_appid", "stat_level",
    "stat_version", "stat_version_ex", "stat_online", "stat_offline", "stat_action",
    "stat_mutilaction", "stat_install", "stat_close", "stat_app_install", "stat_http_post",
};
enum ExportIndex {
    kInit = 0, kDispatchAddr = 2, kUnionId = 7, kAppId = 8, kVersionEx = 11,
    kOffline = 13, kMultiAction = 15, kClose = 17,
};

using VoidFn = void(__stdcall*)();
using BoolFn = int(__stdcall*)();
using IntArgFn = void(__stdcall*)(int);
using AddrFn = void(__stdcall*)(const char*, int);
using VersionExFn = void(__stdcall*)(int, int, int, int);
using MultiActionFn = void(__stdcall*)(const int*, int, int);

constexpr int kDispatchPort = 8700;
constexpr int kCloseWaitMs = 200;
constexpr int kActionOptions = 0x00000100;

std::wstring DllPathBesideExecutable() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    const auto cut = folder.find_last_of(L'\\');
    folder.resize(cut == std::wstring::npos ? 0 : cut);
    return folder + L"\\pqstat.dll";
}

// The product version from the executable's VS_FIXEDFILEINFO. Read straight
// from the resource so that version.dll (not a KnownDLL) is never needed.
bool ReadProductVersion(DWORD& ms, DWORD& ls) {
    HMODULE self = ::GetModuleHandleW(nullptr);
    HRSRC info = ::FindResourceW(self, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));   // RT_VERSION
    HGLOBAL data = info ? ::LoadResource(self, info) : nullptr;
    const auto* bytes = static_cast<const BYTE*>(data ? ::LockResource(data) : nullptr);
    if (!bytes) return false;
    const DWORD size = ::SizeofResource(self, info);
    for (DWORD offset = 0; offset + sizeof(VS_FIXEDFILEINFO) <= size; offset += 4) {
        const auto* fixed = reinterpret_cast<const VS_FIXEDFILEINFO*>(bytes + offset);
        if (fixed->dwSignature == 0xFEEF04BD) {
            ms = fixed->dwProductVersionMS;
            ls = fixed->dwProductVersionLS;
            return true;
        }
    }
    return false;
}

} // namespace

JVStatModule::~JVStatModule() {
    Shutdown();
}

void JVStatModule::LoadExports() {
    for (int i = 0; i < kExportCount; ++i) {
        exports_[i] = ::GetProcAddress(module_, kExportNames[i]);
    }
}

bool JVStatModule::Init(int appId, int unionId, const std::wstring& dispatchHost, const std::wstring&) {
    appId_ = appId;
    unionId_ = unionId;
    dispatchHost_ = dispatchHost;
    if (IsStopped()) Start();

    module_ = ::LoadLibraryW(DllPathBesideExecutable().c_str());
    if (!module_) return false;
    LoadExports();

    // The DLL takes the app id as one byte and the channel id as 16 bits.
    if (auto fn = Export<IntArgFn>(kAppId)) fn(appId_ & 0xFF);
    if (auto fn = Export<IntArgFn>(kUnionId)) fn(unionId_ & 0xFFFF);
    DWORD ms = MAKELONG(0, 1), ls = MAKELONG(1, 0);   // 1.0.0.1 without version information
    ReadProductVersion(ms, ls);
    if (auto fn = Export<VersionExFn>(kVersionEx)) {
        fn(HIWORD(ms), LOWORD(ms), HIWORD(ls), LOWORD(ls));
    }
    if (auto fn = Export<AddrFn>(kDispatchAddr)) {
        fn(zrl::WideToAnsi(dispatchHost_).c_str(), kDispatchPort);
    }
    auto init = Export<BoolFn>(kInit);
    return init && init() != 0;
}

void JVStatModule::ReportAction(int actionId) {
    auto self = shared_from_this();
    AddTask(std::make_shared<EasyTask0>([self, actionId] { self->SendAction(actionId); }));
}

void JVStatModule::SendAction(int actionId) {
    const int actions[1] = {actionId};
    if (auto fn = Export<MultiActionFn>(kMultiAction)) fn(actions, 1, kActionOptions);
}

void JVStatModule::Shutdown() {
    // The worker is joined first, so no report overlaps stat_offline and stat_close.
    Stop();
    if (auto fn = Export<VoidFn>(kOffline)) fn();
    if (auto fn = Export<IntArgFn>(kClose)) fn(kCloseWaitMs);
    if (module_) ::FreeLibrary(module_);
    module_ = nullptr;
    for (FARPROC& entry : exports_) entry = nullptr;
}
