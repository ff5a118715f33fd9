// A control notification: (event, sender) with two message-dependent values.
#pragma once

#include <windows.h>
#include <string>

namespace zui {

class Control;

struct Notification {
    std::wstring type;          // "click", "selectchanged", "timer", "setfocus", "killfocus", "textchanged"
    Control* sender = nullptr;
    WPARAM wParam = 0;          // the timer id for "timer"
    LPARAM lParam = 0;
};

class INotifyReceiver {
public:
    virtual void Notify(Notification& msg) = 0;
protected:
    ~INotifyReceiver() = default;
};

} // namespace zui
