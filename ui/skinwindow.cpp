// SkinWindow: creation, the skin build, DPI, region, shadow and message routing.
#include "skinwindow.h"

#include "containers.h"
#include "dpi.h"
#include "layoutbuilder.h"
#include "skinapp.h"
#include "zrlsetup/utility/base/textconv.h"
#include "zrlsetup/zrlinstaller/exitcodes.h"

namespace zui {

SkinWindow::~SkinWindow() {
    shadow_.reset();
    if (window_ && ::IsWindow(window_)) {
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
    }
}

bool SkinWindow::RegisterWindowClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (::GetClassInfoExW(SkinApp::Instance(), GetWindowClassName(), &wc)) return true;
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &SkinWindow::WindowProc;
    wc.hInstance = SkinApp::Instance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = GetWindowClassName();
    return ::RegisterClassExW(&wc) != 0;
}

HWND SkinWindow::Create(HWND parent, const wchar_t* title, DWORD style, DWORD exStyle, int x, int y, int cx,
                        int cy, HMENU menu) {
    if (!RegisterWindowClass()) return nullptr;
    return ::CreateWindowExW(exStyle, GetWindowClassName(), title, style, x, y, cx, cy, parent, menu,
                             SkinApp::Instance(), this);
}

LRESULT CALLBACK SkinWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    SkinWindow* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<SkinWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<SkinWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        const LRESULT r = self->HandleMessage(msg, wParam, lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return r;
    }
    return self->HandleMessage(msg, wParam, lParam);
}

LRESULT SkinWindow::OnCreate(UINT, WPARAM, LPARAM, BOOL& handled) {
    handled = TRUE;
    LONG style = ::GetWindowLongW(window_, GWL_STYLE);
    style &= ~WS_CAPTION;
    ::SetWindowLongW(window_, GWL_STYLE, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);

    pm_.Init(window_);
    LayoutBuilder builder(SkinApp::Archive(), pm_);
    builder.SetCustomFactory([this](const std::wstring& c) { return CreateControl(c); });
    const std::wstring skinFile = GetSkinFile();
    std::unique_ptr<Control> root = builder.Build(zrl::WideToUtf8(skinFile));
    if (!root) {
        const std::wstring text = L"加载资源文件失败：" + skinFile;
        ::MessageBoxW(nullptr, text.c_str(), L"SkinUI", MB_OK | MB_ICONERROR);
        ::ExitProcess(zrl::exitcode::kFatalError);
    }
    if (ParseBool(pm_.WindowAttribute(L"bktrans"))) cornerRadius_ = 8;
    long rx = 0, ry = 0;
    if (std::swscanf(pm_.WindowAttribute(L"roundcorner").c_str(), L"%ld,%ld", &rx, &ry) >= 1) cornerRadius_ = rx / 2;
    if (ParseBool(pm_.WindowAttribute(L"autodpi"))) pm_.SetScale(ScaleForDpi(MonitorDpi(window_)));
    const SIZE size = pm_.InitSize();
    if (size.cx > 0 && size.cy > 0) {
        ::SetWindowPos(window_, nullptr, 0, 0, ScaleLength(size.cx, pm_.Scale()), ScaleLength(size.cy, pm_.Scale()),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    pm_.AttachRoot(std::move(root));
    ApplyControlTexts(pm_.Root());
    pm_.AddNotifier(this);
    if (pm_.ShowShadow()) {
        shadow_ = std::make_unique<ShadowWindow>();
        if (!shadow_->Create(window_, cornerRadius_)) shadow_.reset();
        else shadow_->SetScale(pm_.Scale());
    }
    UpdateRegion();
    InitWindow();
    return 0;
}

void SkinWindow::ApplyControlTexts(Control* control) {
    if (!control) return;
    if (!control->Name().empty()) {
        const std::wstring text = QueryControlText(control->Name(), control->ClassName());
        if (!text.empty()) control->SetText(text);
    }
    if (Container* box = control->AsContainer()) {
        for (size_t i = 0; i < box->Count(); ++i) ApplyControlTexts(box->At(i));
    }
}

void SkinWindow::UpdateRegion() {
    if (!window_ || cornerRadius_ <= 0) return;
    RECT rc;
    ::GetWindowRect(window_, &rc);
    const int d = 2 * ScaleLength(cornerRadius_, pm_.Scale());
    ::SetWindowRgn(window_, ::CreateRoundRectRgn(0, 0, rc.right - rc.left + 1, rc.bottom - rc.top + 1, d, d), TRUE);
}

void SkinWindow::ApplyMonitorDpi() {
    if (!window_) return;
    const int scale = ScaleForDpi(MonitorDpi(window_));
    if (scale == pm_.Scale()) return;
    pm_.SetScale(scale);
    const SIZE size = pm_.InitSize();
    if (size.cx > 0 && size.cy > 0) {
        ::SetWindowPos(window_, nullptr, 0, 0, ScaleLength(size.cx, scale), ScaleLength(size.cy, scale),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (shadow_) shadow_->SetScale(scale);
    UpdateRegion();
}

void SkinWindow::ShowWindow(bool show, bool activate) {
    ::ShowWindow(window_, show ? (activate ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

void SkinWindow::Close(UINT code) {
    if (window_) ::PostMessageW(window_, WM_CLOSE, code, 0);
}

void SkinWindow::CenterWindow() {
    if (!window_) return;
    RECT rc;
    ::GetWindowRect(window_, &rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    RECT area;
    HWND owner = ::GetWindow(window_, GW_OWNER);
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    ::GetMonitorInfoW(::MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &mi);
    if (owner) ::GetWindowRect(owner, &area);
    else area = mi.rcWork;
    int x = area.left + (area.right - area.left - w) / 2, y = area.top + (area.bottom - area.top - h) / 2;
    x = std::max<int>(mi.rcWork.left, std::min<int>(x, mi.rcWork.right - w));
    y = std::max<int>(mi.rcWork.top, std::min<int>(y, mi.rcWork.bottom - h));
    ::SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SkinWindow::Notify(Notification& msg) {
    if (msg.type == L"timer") {
        OnTimer(msg);
        return;
    }
    if (msg.type != L"click" || !msg.sender) return;
    const std::wstring& name = msg.sender->Name();
    if (name == L"closebtn") Close(1);
    else if (name == L"minbtn") ::SendMessageW(window_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    else if (name == L"maxbtn") ::SendMessageW(window_, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    else if (name == L"restorebtn") ::SendMessageW(window_, WM_SYSCOMMAND, SC_RESTORE, 0);
}

bool SkinWindow::MessageFilter(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

std::unique_ptr<Control> SkinWindow::CreateControl(const std::wstring&) { return nullptr; }

std::wstring SkinWindow::QueryControlText(const std::wstring&, const std::wstring&) { return {}; }

LRESULT SkinWindow::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
    handled = FALSE;
    return 0;
}

LRESULT SkinWindow::HandleCustomMessage(UINT, WPARAM, LPARAM, BOOL& handled) {
    handled = FALSE;
    return 0;
}

LRESULT SkinWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    BOOL handled = FALSE;
    LRESULT result = 0;
    switch (msg) {
    case WM_CREATE: result = OnCreate(msg, wParam, lParam, handled); break;
    case WM_DESTROY:
        shadow_.reset();
        result = OnDestroy(msg, wParam, lParam, handled);
        break;
    case WM_NCCALCSIZE:
        if (wParam) return 0;   // the whole window is client area
        break;
    case WM_NCACTIVATE:
        return ::IsIconic(window_) ? ::DefWindowProcW(window_, msg, wParam, lParam) : TRUE;
    case WM_NCPAINT:
        return 0;
    case WM_WINDOWPOSCHANGED:
        if (shadow_) shadow_->Update();
        break;
    case WM_SHOWWINDOW:
        if (shadow_) shadow_->SetHidden(!wParam);
        break;
    case WM_SIZE:
        UpdateRegion();
        if (shadow_) shadow_->Update();
        break;
    case WM_ACTIVATE:
        if (shadow_) shadow_->Update();
        break;
    case 0x02E0:   // WM_DPICHANGED: moved to a monitor with another scale
        ApplyMonitorDpi();
        return 0;
    default:
        if (msg >= WM_USER) result = HandleCustomMessage(msg, wParam, lParam, handled);
        break;
    }
    if (handled) return result;
    return DefaultHandler(msg, wParam, lParam);
}

LRESULT SkinWindow::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (MessageFilter(msg, wParam, lParam, result)) return result;
    if (pm_.Window() && pm_.MessageHandler(msg, wParam, lParam, result)) return result;
    return ::DefWindowProcW(window_, msg, wParam, lParam);
}

} // namespace zui
