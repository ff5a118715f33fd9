// The text field: a native single-line EDIT window placed over the skinned
// frame, so caret, selection, clipboard, undo, IME and scrolling are the
// system's own. The frame images (normal, hot, focused) are drawn around it.
#pragma once

#include "containers.h"

namespace zui {

class RichEdit : public Container {
public:
    ~RichEdit() override;
    const wchar_t* ClassName() const override { return L"RichEdit"; }
    bool IsClass(const std::wstring& n) const override { return n == L"RichEdit" || Container::IsClass(n); }
    bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void Init() override;
    void SetPos(const RECT& rc) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetText(const std::wstring& text) override;
    // The current text of the field (the native window holds the truth once it exists).
    std::wstring GetText() const;
    bool WantsMouse() const override { return true; }
    void OnMouse(MouseEvent e, POINT pt) override;
    void OnFocus(bool focused) override;
    void OnScaleChanged() override;
    void SyncShown(bool shown) override;
    // The native field changed: take its text (so Text() stays current).
    void OnNativeChange() { text_ = GetText(); }
    HWND EditWindow() const { return edit_; }
    HBRUSH BackgroundBrush() const { return brush_; }
    uint32_t TextColor() const { return textColor_; }

protected:
    void PaintStatusImage(PaintContext& pc) override;
    void PaintText(PaintContext&) override {}

private:
    static LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);
    void PlaceEditWindow();

    HWND edit_ = nullptr;
    WNDPROC baseProc_ = nullptr;
    HBRUSH brush_ = nullptr;
    std::wstring normalImage_, hotImage_, focusedImage_, disabledImage_;
    uint32_t nativeBkColor_ = 0xFFFFFFFF;
    bool dpiTextPadding_ = false, password_ = false, readOnly_ = false;
};

} // namespace zui
