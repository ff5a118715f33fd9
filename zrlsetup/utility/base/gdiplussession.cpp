// GdiplusStartup / GdiplusShutdown through GetProcAddress.
#include "gdiplussession.h"

#include "dllsearch.h"
#include "../../../jvpublic/jvbase/trace.h"

namespace zrl {
namespace {

// The flat API's start-up input (GdiplusStartupInput, version 1).
struct StartupInput {
    UINT32 version = 1;
    void* debugEventCallback = nullptr;
    BOOL suppressBackgroundThread = FALSE;
    BOOL suppressExternalCodecs = FALSE;
};

using StartupFn = int(WINAPI*)(ULONG_PTR*, const StartupInput*, void*);
using ShutdownFn = void(WINAPI*)(ULONG_PTR);

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

} // namespace

GdiplusSession::GdiplusSession() : module_(LoadSystemLibrary(L"gdiplus.dll")) {
    if (!module_) {
        TRACE_LAST_ERROR(L"LoadLibrary gdiplus.dll failed.");
        return;
    }
    auto startup = Export<StartupFn>(module_.Get(), "GdiplusStartup");
    StartupInput input;
    if (!startup || startup(&token_, &input, nullptr) != 0) {
        TRACE(L"GdiplusStartup failed\r\n");
        token_ = 0;
    }
}

GdiplusSession::~GdiplusSession() {
    if (token_) {
        if (auto shutdown = Export<ShutdownFn>(module_.Get(), "GdiplusShutdown")) shutdown(token_);
    }
}

} // namespace zrl
