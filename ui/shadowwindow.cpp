// Drop shadow rendering: a soft falloff around a rounded rectangle.
#include "shadowwindow.h"

#include "dpi.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace zui {
namespace {

constexpr wchar_t kClassName[] = L"SkinShadowWindow";
constexpr int kShadowSize = 12;     // at 100 %
constexpr int kShadowOffsetY = 3;   // at 100 %
constexpr double kShadowAlpha = 70;

ATOM RegisterShadowClass() {
    static ATOM atom = 0;
    if (!atom) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kClassName;
        atom = ::RegisterClassExW(&wc);
    }
    return atom;
}

} // namespace

ShadowWindow::~ShadowWindow() {
    if (window_) ::DestroyWindow(window_);
}

bool ShadowWindow::Create(HWND owner, int radius) {
    owner_ = owner;
    radius_ = radius;
    RegisterShadowClass();
    window_ = ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                                kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
    return window_ != nullptr;
}

void ShadowWindow::Update() {
    if (!window_ || !owner_ || updating_) return;
    if (::IsIconic(owner_) || hidden_) {
        ::ShowWindow(window_, SW_HIDE);
        return;
    }
    updating_ = true;
    RECT rc;
    ::GetWindowRect(owner_, &rc);
    const int size = ScaleLength(kShadowSize, scale_), offset = ScaleLength(kShadowOffsetY, scale_);
    const int w = rc.right - rc.left + 2 * size, h = rc.bottom - rc.top + 2 * size;
    if (w != lastSize_.cx || h != lastSize_.cy) {
        Render(w, h);
        lastSize_ = {w, h};
    }
    const bool wasVisible = ::IsWindowVisible(window_) != FALSE;
    ::SetWindowPos(window_, owner_, rc.left - size, rc.top - size + offset, w, h,
                   SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOSIZE);
    // A window shown later is put on top by some window systems: raise the owner over it again.
    if (!wasVisible && ::IsWindowVisible(owner_)) {
        ::SetWindowPos(owner_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    updating_ = false;
}

void ShadowWindow::SetHidden(bool hidden) {
    hidden_ = hidden;
    Update();
}

void ShadowWindow::Render(int w, int h) {
    const int size = ScaleLength(kShadowSize, scale_);
    const double r = ScaleLength(radius_, scale_);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib) { ::ReleaseDC(nullptr, screen); return; }
    auto* px = static_cast<uint32_t*>(bits);
    // Distance to the rounded body rectangle; alpha falls off smoothly over `size` pixels.
    const double left = size, top = size, right = w - size, bottom = h - size;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double cx = std::clamp(x + 0.5, left + r, right - r), cy = std::clamp(y + 0.5, top + r, bottom - r);
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) - r;   // < 0 inside
            double a = 0;
            if (d <= 0) a = kShadowAlpha;
            else if (d < size) {
                const double t = 1 - d / size;
                a = kShadowAlpha * t * t;
            }
            const uint32_t alpha = static_cast<uint32_t>(a + 0.5);
            px[size_t(y) * w + x] = alpha << 24;   // premultiplied black
        }
    }
    HDC mem = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(mem, dib);
    SIZE sz{w, h};
    POINT src{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::SetWindowPos(window_, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::UpdateLayeredWindow(window_, screen, nullptr, &sz, mem, &src, 0, &blend, ULW_ALPHA);
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::DeleteObject(dib);
    ::ReleaseDC(nullptr, screen);
}

} // namespace zui
