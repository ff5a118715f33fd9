// A tooltip drawn by the toolkit in the skin's tooltip colours: a small
// non-activating popup shown after the mouse rests on a control with a tooltip.
#pragma once

#include <windows.h>
#include <string>

namespace zui {

class ToolTip {
public:
    ~ToolTip();
    // Shows text below-right of the screen point, with font, colours (0xAARRGGBB) and scale.
    void Show(HWND owner, const std::wstring& text, POINT screen, HFONT font, uint32_t bk, uint32_t fg, int scale);
    void Hide();
    bool Visible() const { return window_ && ::IsWindowVisible(window_); }

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    HWND window_ = nullptr;
    std::wstring text_;
    HFONT font_ = nullptr;
    uint32_t bk_ = 0xFFFFFFFF, fg_ = 0xFF000000;
    int padding_ = 6;
};

} // namespace zui
