// SkinPaintManager: the control tree of one window, its scale, fonts, images,
// focus, hot and pushed controls, timers and notification delivery.
#pragma once

#include "control.h"
#include "fonttable.h"
#include "imageloader.h"
#include "notify.h"
#include "tooltip.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zui {

class SkinPaintManager {
public:
    SkinPaintManager();
    ~SkinPaintManager();

    void Init(HWND window);
    HWND Window() const { return window_; }
    void AttachRoot(std::unique_ptr<Control> root);
    Control* Root() const { return root_.get(); }

    // Window attributes of the layout.
    void SetInitSize(int cx, int cy) { initSize_ = {cx, cy}; }
    SIZE InitSize() const { return initSize_; }   // at 100 %
    RECT Caption() const;                         // scaled
    void SetCaption(const RECT& rc) { caption_ = rc; }
    void SetWindowAttribute(const std::wstring& name, const std::wstring& value);
    const std::wstring& WindowAttribute(const std::wstring& name) const;
    int TextRenderingHint() const { return textRenderingHint_; }
    bool ShowShadow() const { return showShadow_; }
    uint32_t ToolTipBkColor() const { return tooltipBk_; }
    uint32_t ToolTipTextColor() const { return tooltipText_; }

    // Scale in percent (100, 125, ...); changing it relayouts and repaints.
    int Scale() const { return scale_; }
    void SetScale(int scale);

    FontTable& Fonts() { return fonts_; }
    ImageCache& Images();
    const ZipArchive& Archive() const;
    HDC MeasureDC() const { return measureDc_; }

    // Lookup by name; the whole tree or below a control.
    Control* FindControl(const std::wstring& name) const;
    static Control* FindSubControl(Control* parent, const std::wstring& name);

    // Layout and painting.
    void Layout();
    void Invalidate(const RECT& rc);
    void Invalidate();
    void Paint(HDC target, const RECT& clientRect);
    bool NeedsAnimation() const { return animating_; }
    void NoteAnimated() { animating_ = true; }
    DWORD AnimationClock() const { return ::GetTickCount() - clockStart_; }

    // Focus and keyboard.
    Control* Focused() const { return focused_; }
    void SetFocus(Control* control);
    void AddTabControl(Control* control);
    const std::vector<Control*>& TabControls() const { return tabControls_; }
    bool MoveFocus(bool forward);

    // Notifications and timers.
    void AddNotifier(INotifyReceiver* receiver) { receivers_.push_back(receiver); }
    void SendNotify(Control* sender, const std::wstring& type, WPARAM wParam = 0, LPARAM lParam = 0);
    bool SetTimer(Control* control, UINT id, UINT elapse);
    bool KillTimer(Control* control, UINT id);
    void RemoveTimers(Control* control);

    // Message handling for the window; true when handled.
    bool MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    Control* Hot() const { return hot_; }
    Control* Pushed() const { return pushed_; }
    // Called by a control before it is destroyed.
    void ForgetControl(Control* control);

private:
    Control* ControlAt(POINT pt) const;
    void SetHot(Control* control, POINT pt);

    HWND window_ = nullptr;
    std::unique_ptr<Control> root_;
    std::unique_ptr<ImageCache> images_;
    FontTable fonts_;
    SIZE initSize_{0, 0};
    RECT caption_{0, 0, 0, 0};
    std::map<std::wstring, std::wstring> attributes_;
    int textRenderingHint_ = 5;
    bool showShadow_ = false;
    uint32_t tooltipBk_ = 0xFFFFFFFF, tooltipText_ = 0xFF000000;
    int scale_ = 100;
    HDC measureDc_ = nullptr;
    Control* focused_ = nullptr;
    Control* hot_ = nullptr;
    Control* pushed_ = nullptr;
    std::vector<Control*> tabControls_;
    std::vector<INotifyReceiver*> receivers_;
    struct Timer { Control* control; UINT id; UINT_PTR winId; };
    std::vector<Timer> timers_;
    UINT_PTR nextTimerId_ = 0x1000;
    bool animating_ = false;
    DWORD clockStart_ = ::GetTickCount();
    bool mouseTracking_ = false;
    ToolTip toolTip_;
    POINT lastMouse_{0, 0};
};

} // namespace zui
