// SkinWindow: the base class of a skinned window. A derived class names its
// window class and skin file; the base builds the control tree from the skin
// when the window is created, routes notifications and handles the caption
// buttons "closebtn", "minbtn", "maxbtn" and "restorebtn".
#pragma once

#include "notify.h"
#include "paintmanager.h"
#include "shadowwindow.h"

#include <memory>
#include <string>

namespace zui {

class SkinWindow : public INotifyReceiver {
public:
    SkinWindow() = default;
    virtual ~SkinWindow();
    SkinWindow(const SkinWindow&) = delete;
    SkinWindow& operator=(const SkinWindow&) = delete;

    HWND Create(HWND parent, const wchar_t* title, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
                int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU menu = nullptr);
    HWND GetHWND() const { return window_; }
    void ShowWindow(bool show = true, bool activate = true);
    // Posts WM_CLOSE with the code as wParam.
    void Close(UINT code = IDOK);
    // Centres on the owner, or in the work area of the window's monitor when there is none.
    void CenterWindow();
    // Reads the DPI of the window's monitor and applies its scale step to this window.
    void ApplyMonitorDpi();
    SkinPaintManager& PaintManager() { return pm_; }

    // Looks a control up by name (below `parent` when given) and checks its class.
    template <class T>
    T* FindControl(const std::wstring& name, const wchar_t* className, Control* parent = nullptr) const {
        Control* c = parent ? SkinPaintManager::FindSubControl(parent, name) : pm_.FindControl(name);
        return c && c->IsClass(className) ? static_cast<T*>(c) : nullptr;
    }

    // The overridable operations, in this order.
    virtual const wchar_t* GetWindowClassName() const = 0;
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void InitWindow() {}
    virtual void OnTimer(Notification&) {}
    virtual std::wstring GetSkinFile() = 0;
    virtual LRESULT OnDestroy(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    virtual LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);

    // Notification routing: the base map handles the caption buttons and timers.
    void Notify(Notification& msg) override;
    // A message seen by the window before the toolkit handles it; true swallows it.
    virtual bool MessageFilter(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Controls of classes the toolkit does not know.
    virtual std::unique_ptr<Control> CreateControl(const std::wstring& className);
    // Asked once per named control after the layout is built, with the control's
    // name and class: a non-empty answer replaces the layout's text (translations).
    virtual std::wstring QueryControlText(const std::wstring& name, const std::wstring& className);

protected:
    virtual LRESULT OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    bool RegisterWindowClass();
    void UpdateRegion();
    void ApplyControlTexts(Control* control);

    HWND window_ = nullptr;
    SkinPaintManager pm_;
    std::unique_ptr<ShadowWindow> shadow_;
    int cornerRadius_ = 0;
};

} // namespace zui
