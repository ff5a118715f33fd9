// Native EDIT hosting: created when the tree is attached, moved with the
// layout, its keyboard focus tied to the manager's focus.
#include "richedit.h"

#include "paintmanager.h"

namespace zui {

RichEdit::~RichEdit() {
    if (edit_) ::DestroyWindow(edit_);
    if (brush_) ::DeleteObject(brush_);
}

bool RichEdit::SetAttribute(const std::wstring& n, const std::wstring& v) {
    if (n == L"normalimage") normalImage_ = v;
    else if (n == L"hotimage") hotImage_ = v;
    else if (n == L"focusedimage") focusedImage_ = v;
    else if (n == L"disabledimage") disabledImage_ = v;
    else if (n == L"RichEditDpiTextPadding") dpiTextPadding_ = ParseBool(v);
    else if (n == L"nativebkcolor") ParseColorValue(v, nativeBkColor_);
    else if (n == L"password") password_ = ParseBool(v);
    else if (n == L"readonly") readOnly_ = ParseBool(v);
    else if (n == L"multiline" || n == L"rich" || n == L"wantreturn" || n == L"autohscroll" ||
             n == L"autoselall" || n == L"transparent" || n == L"CaretFollowTextColor" ||
             n == L"EditWndUseCtrlBk" || n == L"pushedimage") {
        // Single-line, auto-scrolling plain text is what the native field gives.
    } else {
        return Container::SetAttribute(n, v);
    }
    return true;
}

void RichEdit::Init() {
    if (edit_ || !manager_ || !manager_->Window()) return;
    DWORD style = WS_CHILD | ES_LEFT | ES_AUTOHSCROLL;   // shown by the first layout pass
    if (password_) style |= ES_PASSWORD;
    if (readOnly_) style |= ES_READONLY;
    edit_ = ::CreateWindowExW(0, L"EDIT", text_.c_str(), style, 0, 0, 0, 0, manager_->Window(), nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
    if (!edit_) return;
    ::SetWindowLongPtrW(edit_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    baseProc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RichEdit::EditProc)));
    const uint32_t c = nativeBkColor_;
    brush_ = ::CreateSolidBrush(RGB((c >> 16) & 255, (c >> 8) & 255, c & 255));
    OnScaleChanged();
    ::EnableWindow(edit_, enabled_);
}

// Tab, Shift+Tab, Enter and focus changes go back to the skinned window.
LRESULT CALLBACK RichEdit::EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<RichEdit*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_GETDLGCODE:
        return ::CallWindowProcW(self->baseProc_, hwnd, msg, wParam, lParam) & ~DLGC_WANTTAB;
    case WM_KEYDOWN:
        if (wParam == VK_TAB && self->manager_) {
            self->manager_->MoveFocus(::GetKeyState(VK_SHIFT) >= 0);
            return 0;
        }
        if (wParam == 'A' && ::GetKeyState(VK_CONTROL) < 0) {   // select all, which not every EDIT does itself
            ::SendMessageW(hwnd, EM_SETSEL, 0, -1);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == L'\t' || wParam == L'\r' || wParam == 1 /* Ctrl+A */) return 0;
        break;
    case WM_SETFOCUS:
        if (self->manager_ && self->manager_->Focused() != self) self->manager_->SetFocus(self);
        self->Invalidate();
        break;
    case WM_KILLFOCUS:
        self->Invalidate();
        break;
    default:
        break;
    }
    return ::CallWindowProcW(self->baseProc_, hwnd, msg, wParam, lParam);
}

void RichEdit::PlaceEditWindow() {
    if (!edit_) return;
    const RECT tp = dpiTextPadding_ ? ScaledRect(textPadding_) : textPadding_;
    RECT r{rect_.left + tp.left, rect_.top + tp.top, rect_.right - tp.right, rect_.bottom - tp.bottom};
    // Floating children (a browse button) stay visible to the right of the field.
    for (auto& c : children_) {
        if (c->IsVisible() && c->IsFloat()) r.right = std::min(r.right, c->Pos().left - Scaled(4));
    }
    // The native field's line is one font height tall: centre it vertically in the text room.
    HDC dc = ::GetDC(edit_);
    HGDIOBJ old = ::SelectObject(dc, manager_->Fonts().GdiFont(font_, manager_->Scale()));
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    ::SelectObject(dc, old);
    ::ReleaseDC(edit_, dc);
    const int lineHeight = tm.tmHeight + 2;
    if (r.bottom - r.top > lineHeight) {
        r.top += (r.bottom - r.top - lineHeight) / 2;
        r.bottom = r.top + lineHeight;
    }
    ::MoveWindow(edit_, r.left, r.top, std::max<LONG>(0, r.right - r.left), std::max<LONG>(0, r.bottom - r.top), TRUE);
}

void RichEdit::SetPos(const RECT& rc) {
    Container::SetPos(rc);
    PlaceEditWindow();
}

void RichEdit::SetVisible(bool visible) {
    Container::SetVisible(visible);
    SyncShown(visible);
}

// The native field shows only while its page and every parent are visible.
void RichEdit::SyncShown(bool shown) {
    if (!edit_ || ((::GetWindowLongW(edit_, GWL_STYLE) & WS_VISIBLE) != 0) == shown) return;
    if (!shown && ::GetFocus() == edit_ && manager_) ::SetFocus(manager_->Window());
    ::ShowWindow(edit_, shown ? SW_SHOWNA : SW_HIDE);
}

void RichEdit::SetEnabled(bool enabled) {
    Container::SetEnabled(enabled);
    if (edit_) ::EnableWindow(edit_, enabled);
}

void RichEdit::SetText(const std::wstring& text) {
    text_ = text;
    if (edit_) ::SetWindowTextW(edit_, text.c_str());
    Invalidate();
}

std::wstring RichEdit::GetText() const {
    if (!edit_) return text_;
    const int n = ::GetWindowTextLengthW(edit_);
    std::wstring s(size_t(n) + 1, L'\0');
    s.resize(size_t(::GetWindowTextW(edit_, s.data(), n + 1)));
    return s;
}

void RichEdit::OnMouse(MouseEvent e, POINT) {
    if (e == MouseEvent::Down && edit_) ::SetFocus(edit_);
    Invalidate();
}

void RichEdit::OnFocus(bool focused) {
    if (focused && edit_ && ::GetFocus() != edit_) ::SetFocus(edit_);
    Invalidate();
}

void RichEdit::OnScaleChanged() {
    if (!edit_) return;
    ::SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(manager_->Fonts().GdiFont(font_, manager_->Scale())), TRUE);
    const int margin = Scaled(2);
    ::SendMessageW(edit_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
    PlaceEditWindow();
}

void RichEdit::PaintStatusImage(PaintContext& pc) {
    const bool focused = edit_ && ::GetFocus() == edit_;
    const std::wstring* image = &normalImage_;
    if (!enabled_ && !disabledImage_.empty()) image = &disabledImage_;
    else if (focused && !focusedImage_.empty()) image = &focusedImage_;
    else if (manager_->Hot() == this && !hotImage_.empty()) image = &hotImage_;
    DrawImage(pc, *image);
}

} // namespace zui
