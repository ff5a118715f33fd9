// statprobe: drives pqstat.dll as its two kinds of callers do.
//
// statprobe module <out> <app id> <union id> <dispatch host> [blocked] <action id>...
//   JVStatModule::Init, one ReportAction per id, waits until the pool has
//   worked through them, then the shutdown sequence. With "blocked" the pool's
//   worker is first held by a task that only Stop's Cancel releases, so every
//   report is still queued at shutdown;
//   writes "init=<0|1>" and "done" to <out>.
// statprobe recipe <out> <install host> <url> [body file]
//   The install recipe's calls in order through GetProcAddress by name
//   (stat_unionid 40004, stat_appid 158, stat_level 2, stat_version_ex 1.0.0.6,
//   stat_install_addr(host, 8100), stat_init, stat_install 1,
//   stat_http_post(url, the file's bytes or null, length, 1), stat_close 50);
//   writes "init=", "post=" and "close=" lines to <out>.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "jvpublic/jvbase/jvstatmodule.h"
#include "zrlsetup/utility/base/textconv.h"

namespace {

// Holds the worker until the pool cancels it.
class HoldUntilCancelled : public IThreadTask {
public:
    HoldUntilCancelled() : released_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~HoldUntilCancelled() override { ::CloseHandle(released_); }
    void SetPool(IThreadPool*) override {}
    void Cancel() override { ::SetEvent(released_); }
    void Run() override { ::WaitForSingleObject(released_, 30000); }
private:
    HANDLE released_;
};

int RunModule(FILE* out, int argc, wchar_t** argv) {
    auto stat = JVStatModule::Instance();
    const bool ready = stat->Init(_wtoi(argv[3]), _wtoi(argv[4]), argv[5], L"");
    std::fprintf(out, "init=%d\n", ready ? 1 : 0);
    const bool blocked = argc > 6 && std::wcscmp(argv[6], L"blocked") == 0;
    if (blocked) stat->AddTask(std::make_shared<HoldUntilCancelled>());
    for (int i = blocked ? 7 : 6; i < argc; ++i) stat->ReportAction(_wtoi(argv[i]));
    if (!blocked) {
        // The pool has one worker: when this task runs, the reports before it are done.
        HANDLE idle = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        stat->AddTask(std::make_shared<EasyTask0>([idle] { ::SetEvent(idle); }));
        ::WaitForSingleObject(idle, 30000);
        ::CloseHandle(idle);
    }
    stat->Shutdown();
    std::fprintf(out, "done\n");
    return 0;
}

template <typename Fn>
Fn Get(HMODULE dll, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(dll, name)));
}

int RunRecipe(FILE* out, int argc, wchar_t** argv) {
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dllPath(path, n);
    dllPath.resize(dllPath.find_last_of(L'\\') + 1);
    dllPath += L"pqstat.dll";
    HMODULE dll = ::LoadLibraryW(dllPath.c_str());
    if (!dll) return 4;
    const std::string host = zrl::WideToAnsi(argv[3]);
    const std::string url = zrl::WideToUtf8(argv[4]);
    const bool hasBody = argc > 5;
    std::string body;
    if (hasBody) {
        FILE* file = _wfopen(argv[5], L"rb");
        if (!file) return 5;
        char buffer[4096];
        body.assign(buffer, std::fread(buffer, 1, sizeof buffer, file));
        std::fclose(file);
    }

    Get<void(__stdcall*)(int)>(dll, "stat_unionid")(40004);
    Get<void(__stdcall*)(int)>(dll, "stat_appid")(158);
    Get<void(__stdcall*)(int)>(dll, "stat_level")(2);
    Get<void(__stdcall*)(int, int, int, int)>(dll, "stat_version_ex")(1, 0, 0, 6);
    Get<void(__stdcall*)(const char*, int)>(dll, "stat_install_addr")(host.c_str(), 8100);
    std::fprintf(out, "init=%d\n", Get<int(__stdcall*)()>(dll, "stat_init")());
    Get<void(__stdcall*)(int)>(dll, "stat_install")(1);
    const int posted = Get<int(__stdcall*)(const char*, const char*, int, int)>(dll, "stat_http_post")(
        url.c_str(), hasBody ? body.c_str() : nullptr, static_cast<int>(body.size()), 1);
    std::fprintf(out, "post=%d\n", posted);
    std::fprintf(out, "close=%d\n", Get<int(__stdcall*)(int)>(dll, "stat_close")(50));
    ::FreeLibrary(dll);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    FILE* out = _wfopen(argv[2], L"wb");
    if (!out) return 3;
    int result = 2;
    if (std::wcscmp(argv[1], L"module") == 0 && argc >= 6) result = RunModule(out, argc, argv);
    if (std::wcscmp(argv[1], L"recipe") == 0 && argc >= 5) result = RunRecipe(out, argc, argv);
    std::fclose(out);
    return result;
}
