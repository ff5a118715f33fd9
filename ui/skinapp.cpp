// Process-wide toolkit state.
#include "skinapp.h"

#include "gdiplusapi.h"

#include <memory>

namespace zui {
namespace {

struct AppState {
    HINSTANCE instance = nullptr;
    ZipArchive archive;
    std::unique_ptr<ImageCache> images;
};

AppState& State() {
    static AppState state;
    return state;
}

} // namespace

void SkinApp::SetInstance(HINSTANCE instance) { State().instance = instance; }
HINSTANCE SkinApp::Instance() { return State().instance ? State().instance : ::GetModuleHandleW(nullptr); }

bool SkinApp::SetResourceZip(const void* data, size_t size, const char* password) {
    AppState& s = State();
    s.images.reset();
    AllowGdiPlus();   // a new set-up after Term() may draw again
    return s.archive.Open(data, size, password);
}

const ZipArchive& SkinApp::Archive() { return State().archive; }

ImageCache& SkinApp::Images() {
    AppState& s = State();
    if (!s.images) s.images = std::make_unique<ImageCache>(s.archive);
    return *s.images;
}

int SkinApp::MessageLoop() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void SkinApp::Term() {
    State().images.reset();   // images hold GDI+ bitmaps: release them before GDI+
    ShutdownGdiPlus();
}

} // namespace zui
