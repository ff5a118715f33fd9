// SkinPaintManager: layout, double-buffered GDI+ painting, mouse, keyboard,
// focus, timers and notifications of one window.
#include "paintmanager.h"

#include "accessible.h"
#include "containers.h"
#include "dpi.h"
#include "richedit.h"
#include "skinapp.h"

#include <algorithm>
#include <windowsx.h>

namespace zui {
namespace {

constexpr UINT_PTR kAnimationTimer = 0x0FFF;
constexpr UINT_PTR kToolTipTimer = 0x0FFE;
constexpr UINT kToolTipDelayMs = 500;

bool EffectivelyVisible(const Control* c) {
    for (; c; c = c->Parent()) {
        if (!c->IsVisible()) return false;
    }
    return true;
}

void InitTree(Control* c, SkinPaintManager& pm) {
    c->Init();
    if (c->TabSupport()) pm.AddTabControl(c);
    if (Container* box = c->AsContainer()) {
        for (size_t i = 0; i < box->Count(); ++i) InitTree(box->At(i), pm);
    }
}

void SyncShown(Control* c, bool parentShown) {
    const bool shown = parentShown && c->IsVisible();
    c->SyncShown(shown);
    if (Container* box = c->AsContainer()) {
        for (size_t i = 0; i < box->Count(); ++i) SyncShown(box->At(i), shown);
    }
}

void NotifyScale(Control* c) {
    c->OnScaleChanged();
    if (Container* box = c->AsContainer()) {
        for (size_t i = 0; i < box->Count(); ++i) NotifyScale(box->At(i));
    }
}

} // namespace

SkinPaintManager::SkinPaintManager() : measureDc_(::CreateCompatibleDC(nullptr)) {}

SkinPaintManager::~SkinPaintManager() {
    for (const Timer& t : timers_) {
        if (window_) ::KillTimer(window_, t.winId);
    }
    root_.reset();
    fonts_.Clear();
    if (measureDc_) ::DeleteDC(measureDc_);
}

void SkinPaintManager::Init(HWND window) { window_ = window; }

ImageCache& SkinPaintManager::Images() { return SkinApp::Images(); }
const ZipArchive& SkinPaintManager::Archive() const { return SkinApp::Archive(); }

void SkinPaintManager::SetWindowAttribute(const std::wstring& name, const std::wstring& value) {
    attributes_[name] = value;
    RECT r;
    if (name == L"size") {
        long cx = 0, cy = 0;
        if (std::swscanf(value.c_str(), L"%ld,%ld", &cx, &cy) == 2) initSize_ = {cx, cy};
    } else if (name == L"caption" && ParseRectValue(value, r)) {
        caption_ = r;
    } else if (name == L"showshadow") {
        showShadow_ = ParseBool(value);
    } else if (name == L"textrenderinghint") {
        textRenderingHint_ = _wtoi(value.c_str());
    } else if (name == L"tooltipbkcolor") {
        ParseColorValue(value, tooltipBk_);
    } else if (name == L"tooltiptextcolor") {
        ParseColorValue(value, tooltipText_);
    }
}

const std::wstring& SkinPaintManager::WindowAttribute(const std::wstring& name) const {
    static const std::wstring empty;
    auto it = attributes_.find(name);
    return it == attributes_.end() ? empty : it->second;
}

// Caption: left, top, right and bottom insets; the area spans the client width.
RECT SkinPaintManager::Caption() const {
    RECT client{0, 0, 0, 0};
    if (window_) ::GetClientRect(window_, &client);
    return RECT{client.left + ScaleLength(caption_.left, scale_), client.top + ScaleLength(caption_.top, scale_),
                client.right - ScaleLength(caption_.right, scale_), client.top + ScaleLength(caption_.bottom, scale_)};
}

void SkinPaintManager::AttachRoot(std::unique_ptr<Control> root) {
    root_ = std::move(root);
    if (!root_) return;
    root_->SetManager(this, nullptr);
    InitTree(root_.get(), *this);
    Layout();
}

void SkinPaintManager::SetScale(int scale) {
    if (scale <= 0 || scale == scale_) return;
    scale_ = scale;
    if (root_) NotifyScale(root_.get());
    Layout();
    Invalidate();
}

Control* SkinPaintManager::FindSubControl(Control* parent, const std::wstring& name) {
    if (!parent) return nullptr;
    if (parent->Name() == name) return parent;
    if (Container* box = parent->AsContainer()) {
        for (size_t i = 0; i < box->Count(); ++i) {
            if (Control* c = FindSubControl(box->At(i), name)) return c;
        }
    }
    return nullptr;
}

Control* SkinPaintManager::FindControl(const std::wstring& name) const { return FindSubControl(root_.get(), name); }

void SkinPaintManager::Layout() {
    if (!root_) return;
    RECT client{0, 0, ScaleLength(initSize_.cx, scale_), ScaleLength(initSize_.cy, scale_)};
    if (window_) ::GetClientRect(window_, &client);
    if (client.right > client.left && client.bottom > client.top) {
        // Force a full pass even when the root's rectangle stays the same.
        root_->SetPos(RECT{0, 0, 0, 0});
        root_->SetPos(client);
    }
    if (window_) SyncShown(root_.get(), true);
}

void SkinPaintManager::Invalidate(const RECT& rc) {
    if (!window_) return;
    RECT r = rc;
    ::InflateRect(&r, ScaleLength(4, scale_), ScaleLength(4, scale_));   // the focus cue is drawn outside
    ::InvalidateRect(window_, &r, FALSE);
}

void SkinPaintManager::Invalidate() {
    if (window_) ::InvalidateRect(window_, nullptr, FALSE);
}

void SkinPaintManager::Paint(HDC target, const RECT& client) {
    const int w = client.right - client.left, h = client.bottom - client.top;
    const GdiPlusApi* api = Gdip();
    if (w <= 0 || h <= 0 || !api || !root_) return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(target, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib) return;
    HDC mem = ::CreateCompatibleDC(target);
    HGDIOBJ old = ::SelectObject(mem, dib);
    // What shows through transparent parts of the skin (the window itself is opaque).
    std::fill_n(static_cast<uint32_t*>(bits), size_t(w) * h, 0xFFFFFFFFu);

    PaintContext pc;
    pc.api = api;
    pc.dc = mem;
    pc.pm = this;
    if (api->GdipCreateFromHDC(mem, &pc.g) == Gdiplus::Ok) {
        api->GdipSetSmoothingMode(pc.g, Gdiplus::SmoothingModeAntiAlias);
        api->GdipSetInterpolationMode(pc.g, Gdiplus::InterpolationModeHighQualityBicubic);
        api->GdipSetPixelOffsetMode(pc.g, Gdiplus::PixelOffsetModeHalf);
        api->GdipSetTextRenderingHint(pc.g, static_cast<Gdiplus::TextRenderingHint>(textRenderingHint_));
        animating_ = false;
        root_->Paint(pc);
        api->GdipDeleteGraphics(pc.g);
    }
    ::BitBlt(target, client.left, client.top, w, h, mem, 0, 0, SRCCOPY);
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::DeleteObject(dib);
    if (animating_) ::SetTimer(window_, kAnimationTimer, 40, nullptr);
    else ::KillTimer(window_, kAnimationTimer);
}

void SkinPaintManager::SetFocus(Control* control) {
    if (control == focused_) {
        if (control && !control->IsClass(L"RichEdit") && window_ && ::GetFocus() != window_) ::SetFocus(window_);
        return;
    }
    Control* old = focused_;
    focused_ = control;
    if (old) {
        old->OnFocus(false);
        old->Invalidate();
        SendNotify(old, L"killfocus");
    }
    if (control) {
        if (!control->IsClass(L"RichEdit") && window_) ::SetFocus(window_);
        control->OnFocus(true);
        control->Invalidate();
        SendNotify(control, L"setfocus");
    }
}

void SkinPaintManager::AddTabControl(Control* control) {
    if (std::find(tabControls_.begin(), tabControls_.end(), control) == tabControls_.end()) {
        tabControls_.push_back(control);
    }
}

bool SkinPaintManager::MoveFocus(bool forward) {
    std::vector<Control*> usable;
    for (Control* c : tabControls_) {
        if (c->IsEnabled() && EffectivelyVisible(c)) usable.push_back(c);
    }
    if (usable.empty()) return false;
    auto it = std::find(usable.begin(), usable.end(), focused_);
    size_t next;
    if (it == usable.end()) next = forward ? 0 : usable.size() - 1;
    else {
        const size_t i = size_t(it - usable.begin());
        next = forward ? (i + 1) % usable.size() : (i + usable.size() - 1) % usable.size();
    }
    SetFocus(usable[next]);
    return true;
}

void SkinPaintManager::SendNotify(Control* sender, const std::wstring& type, WPARAM wParam, LPARAM lParam) {
    Notification msg{type, sender, wParam, lParam};
    const auto receivers = receivers_;
    for (INotifyReceiver* r : receivers) r->Notify(msg);
}

bool SkinPaintManager::SetTimer(Control* control, UINT id, UINT elapse) {
    if (!window_ || !control) return false;
    for (Timer& t : timers_) {
        if (t.control == control && t.id == id) return ::SetTimer(window_, t.winId, elapse, nullptr) != 0;
    }
    const UINT_PTR winId = nextTimerId_++;
    if (!::SetTimer(window_, winId, elapse, nullptr)) return false;
    timers_.push_back({control, id, winId});
    return true;
}

bool SkinPaintManager::KillTimer(Control* control, UINT id) {
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->control == control && it->id == id) {
            if (window_) ::KillTimer(window_, it->winId);
            timers_.erase(it);
            return true;
        }
    }
    return false;
}

void SkinPaintManager::RemoveTimers(Control* control) {
    for (auto it = timers_.begin(); it != timers_.end();) {
        if (it->control == control) {
            if (window_) ::KillTimer(window_, it->winId);
            it = timers_.erase(it);
        } else {
            ++it;
        }
    }
}

void SkinPaintManager::ForgetControl(Control* control) {
    if (Container* box = control->AsContainer()) {
        for (size_t i = 0; i < box->Count(); ++i) ForgetControl(box->At(i));
    }
    if (focused_ == control) focused_ = nullptr;
    if (hot_ == control) hot_ = nullptr;
    if (pushed_ == control) pushed_ = nullptr;
    tabControls_.erase(std::remove(tabControls_.begin(), tabControls_.end(), control), tabControls_.end());
    RemoveTimers(control);
}

// The control under pt that takes the mouse: the deepest hit, or its nearest ancestor that does.
Control* SkinPaintManager::ControlAt(POINT pt) const {
    if (!root_) return nullptr;
    for (Control* c = root_->FindAt(pt); c; c = c->Parent()) {
        if (c->WantsMouse() && c->IsEnabled()) return c;
    }
    return nullptr;
}

void SkinPaintManager::SetHot(Control* control, POINT pt) {
    if (control == hot_) return;
    Control* old = hot_;
    hot_ = control;
    // A tooltip follows the hot control: hidden on change, shown after the mouse rests.
    toolTip_.Hide();
    if (window_) {
        if (control && !control->ToolTip().empty()) ::SetTimer(window_, kToolTipTimer, kToolTipDelayMs, nullptr);
        else ::KillTimer(window_, kToolTipTimer);
    }
    if (old) old->OnMouse(MouseEvent::Leave, pt);
    if (control) control->OnMouse(MouseEvent::Enter, pt);
}

bool SkinPaintManager::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (msg) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(window_, &ps);
        RECT client;
        ::GetClientRect(window_, &client);
        Paint(dc, client);
        ::EndPaint(window_, &ps);
        return true;
    }
    case WM_SIZE:
        Layout();
        Invalidate();
        return false;
    case WM_NCHITTEST: {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::ScreenToClient(window_, &pt);
        const RECT caption = Caption();
        if (PtInRect(&caption, pt) && !ControlAt(pt)) {
            result = HTCAPTION;
            return true;
        }
        result = HTCLIENT;
        return true;
    }
    case WM_NCLBUTTONDBLCLK:
        return wParam == HTCAPTION;   // a fixed-size window: no maximise on double click
    case WM_MOUSEMOVE: {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        lastMouse_ = pt;
        if (!mouseTracking_) {
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, window_, 0};
            mouseTracking_ = ::TrackMouseEvent(&tme) != FALSE;
        }
        Control* c = ControlAt(pt);
        // While a control is pushed, it stays hot only when the mouse is over it.
        SetHot(pushed_ ? (c == pushed_ ? c : nullptr) : c, pt);
        if (pushed_) pushed_->OnMouse(MouseEvent::Move, pt);
        return true;
    }
    case WM_MOUSELEAVE:
        mouseTracking_ = false;
        if (!pushed_) SetHot(nullptr, POINT{-1, -1});
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        Control* c = ControlAt(pt);
        toolTip_.Hide();
        if (!c) return true;
        pushed_ = c;
        SetHot(c, pt);
        ::SetCapture(window_);
        if (c->TabSupport() && !c->IsClass(L"RichEdit")) SetFocus(c);
        c->OnMouse(MouseEvent::Down, pt);
        return true;
    }
    case WM_LBUTTONUP: {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        Control* c = pushed_;
        pushed_ = nullptr;
        if (::GetCapture() == window_) ::ReleaseCapture();
        if (c) c->OnMouse(MouseEvent::Up, pt);
        if (window_ && ::IsWindow(window_)) SetHot(ControlAt(pt), pt);
        return true;
    }
    case WM_CAPTURECHANGED:
        if (pushed_) {
            pushed_->Invalidate();
            pushed_ = nullptr;
        }
        return false;
    case WM_KEYDOWN:
        if (wParam == VK_TAB) {
            MoveFocus(::GetKeyState(VK_SHIFT) >= 0);
            return true;
        }
        if ((wParam == VK_SPACE || wParam == VK_RETURN) && focused_ && !focused_->IsClass(L"RichEdit")) {
            focused_->Activate();
            return true;
        }
        return false;
    case WM_TIMER: {
        if (wParam == kAnimationTimer) {
            Invalidate();
            return true;
        }
        if (wParam == kToolTipTimer) {
            ::KillTimer(window_, kToolTipTimer);
            if (hot_ && !pushed_ && !hot_->ToolTip().empty()) {
                POINT pt = lastMouse_;
                ::ClientToScreen(window_, &pt);
                toolTip_.Show(window_, hot_->ToolTip(), pt, fonts_.GdiFont(-1, scale_), tooltipBk_, tooltipText_, scale_);
            }
            return true;
        }
        for (const Timer& t : timers_) {
            if (t.winId == wParam) {
                const Timer copy = t;   // a handler may kill the timer
                SendNotify(copy.control, L"timer", copy.id, 0);
                return true;
            }
        }
        return false;
    }
    case WM_CTLCOLOREDIT: {
        HWND edit = reinterpret_cast<HWND>(lParam);
        auto* control = reinterpret_cast<RichEdit*>(::GetWindowLongPtrW(edit, GWLP_USERDATA));
        if (!control) return false;
        const uint32_t c = control->TextColor();
        ::SetTextColor(reinterpret_cast<HDC>(wParam), RGB((c >> 16) & 255, (c >> 8) & 255, c & 255));
        ::SetBkMode(reinterpret_cast<HDC>(wParam), OPAQUE);
        ::SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        result = reinterpret_cast<LRESULT>(control->BackgroundBrush());
        return true;
    }
    case WM_GETOBJECT:
        return AnswerGetObject(*this, wParam, lParam, result);
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_CHANGE && lParam) {
            auto* control = reinterpret_cast<RichEdit*>(::GetWindowLongPtrW(reinterpret_cast<HWND>(lParam), GWLP_USERDATA));
            if (control) {
                control->OnNativeChange();
                SendNotify(control, L"textchanged");
            }
            return true;
        }
        return false;
    default:
        return false;
    }
}

} // namespace zui
