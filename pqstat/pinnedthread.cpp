// StartPinnedThread: module reference taken by the creator, released by the
// thread itself through FreeLibraryAndExitThread.
#include "pinnedthread.h"

#include <windows.h>

namespace pqstat {

namespace {

struct ThreadStart {
    std::function<void()> body;
    HMODULE module;
};

void RunBody(ThreadStart* start) {
    start->body();
    start->body = nullptr;
}

DWORD WINAPI ThreadMain(void* parameter) {
    auto* start = static_cast<ThreadStart*>(parameter);
    RunBody(start);
    HMODULE module = start->module;
    delete start;
    ::FreeLibraryAndExitThread(module, 0);
}

} // namespace

bool StartPinnedThread(std::function<void()> body) {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCWSTR>(&ThreadMain), &module)) {
        return false;
    }
    auto* start = new ThreadStart{std::move(body), module};
    HANDLE thread = ::CreateThread(nullptr, 0, ThreadMain, start, 0, nullptr);
    if (!thread) {
        delete start;
        ::FreeLibrary(module);
        return false;
    }
    ::CloseHandle(thread);
    return true;
}

} // namespace pqstat
