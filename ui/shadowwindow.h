// The drop shadow: a layered, click-through window kept just below its
// owner's window, drawn with per-pixel alpha. The main window itself stays
// opaque so native child windows (the text field) draw normally on it.
#pragma once

#include <windows.h>

namespace zui {

class ShadowWindow {
public:
    ~ShadowWindow();
    bool Create(HWND owner, int radius);
    // Follows the owner's position, size, visibility and z-order.
    void Update();
    // Hidden with its owner (SW_HIDE); shown again when the owner is.
    void SetHidden(bool hidden);
    void SetScale(int scale) { scale_ = scale; lastSize_ = {0, 0}; Update(); }
    HWND Handle() const { return window_; }

private:
    void Render(int w, int h);
    HWND owner_ = nullptr;
    HWND window_ = nullptr;
    int radius_ = 8;
    int scale_ = 100;
    SIZE lastSize_{0, 0};
    bool updating_ = false;
    bool hidden_ = false;
};

} // namespace zui
