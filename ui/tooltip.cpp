// Tooltip popup: sized to its text, painted with GDI, never activated.
#include "tooltip.h"

#include "dpi.h"

namespace zui {
namespace {

constexpr wchar_t kClassName[] = L"SkinToolTip";

COLORREF Rgb(uint32_t argb) { return RGB((argb >> 16) & 255, (argb >> 8) & 255, argb & 255); }

} // namespace

ToolTip::~ToolTip() {
    if (window_) ::DestroyWindow(window_);
}

LRESULT CALLBACK ToolTip::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ToolTip*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCHITTEST) return HTTRANSPARENT;
    if (msg == WM_PAINT && self) {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        RECT rc;
        ::GetClientRect(hwnd, &rc);
        HBRUSH bk = ::CreateSolidBrush(Rgb(self->bk_));
        ::FillRect(dc, &rc, bk);
        ::DeleteObject(bk);
        HBRUSH frame = ::CreateSolidBrush(RGB(0xE5, 0xE6, 0xEB));
        ::FrameRect(dc, &rc, frame);
        ::DeleteObject(frame);
        HGDIOBJ old = ::SelectObject(dc, self->font_);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, Rgb(self->fg_));
        ::DrawTextW(dc, self->text_.c_str(), int(self->text_.size()), &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        ::SelectObject(dc, old);
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

void ToolTip::Show(HWND owner, const std::wstring& text, POINT screen, HFONT font, uint32_t bk, uint32_t fg,
                   int scale) {
    if (!window_) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &ToolTip::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kClassName;
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        ::RegisterClassExW(&wc);
        window_ = ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kClassName, L"", WS_POPUP,
                                    0, 0, 0, 0, owner, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        if (!window_) return;
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    text_ = text;
    font_ = font;
    bk_ = bk;
    fg_ = fg;
    padding_ = ScaleLength(6, scale);
    HDC dc = ::GetDC(window_);
    HGDIOBJ old = ::SelectObject(dc, font_);
    SIZE size{0, 0};
    ::GetTextExtentPoint32W(dc, text_.c_str(), int(text_.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(window_, dc);
    ::SetWindowTextW(window_, text_.c_str());
    const int offset = ScaleLength(16, scale);
    ::SetWindowPos(window_, HWND_TOPMOST, screen.x, screen.y + offset, size.cx + 2 * padding_,
                   size.cy + padding_, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    ::InvalidateRect(window_, nullptr, TRUE);
}

void ToolTip::Hide() {
    if (window_) ::ShowWindow(window_, SW_HIDE);
}

} // namespace zui
