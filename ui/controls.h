// Leaf controls: labels, buttons, options (check boxes) and progress bars.
#pragma once

#include "control.h"

namespace zui {

class Label : public Control {
public:
    const wchar_t* ClassName() const override { return L"Label"; }
    bool IsClass(const std::wstring& n) const override { return n == L"Label" || Control::IsClass(n); }
};

// A button draws the image of its state and sends "click" when released over it.
class Button : public Label {
public:
    const wchar_t* ClassName() const override { return L"Button"; }
    bool IsClass(const std::wstring& n) const override { return n == L"Button" || Label::IsClass(n); }
    bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
    bool WantsMouse() const override { return true; }
    void OnMouse(MouseEvent e, POINT pt) override;
    bool Activate() override;
    // The image descriptor of the state it would draw now (for checks).
    virtual const std::wstring& CurrentImage() const;

protected:
    void PaintStatusImage(PaintContext& pc) override;
    void PaintText(PaintContext& pc) override;
    bool IsHot() const;
    bool IsPushed() const;

    std::wstring normalImage_, hotImage_, pushedImage_, disabledImage_, focusedImage_;
    uint32_t hotTextColor_ = 0, pushedTextColor_ = 0;
    int hotFont_ = -1;
};

// An option toggles its selection on click (or selects within its group)
// and sends "selectchanged".
class Option : public Button {
public:
    const wchar_t* ClassName() const override { return L"Option"; }
    bool IsClass(const std::wstring& n) const override { return n == L"Option" || Button::IsClass(n); }
    bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
    bool IsSelected() const { return selected_; }
    void Selected(bool selected, bool notify = true);
    bool Activate() override;
    const std::wstring& CurrentImage() const override;

private:
    std::wstring selectedImage_, selectedHotImage_, selectedPushedImage_, group_;
    bool selected_ = false;
};

class Progress : public Label {
public:
    const wchar_t* ClassName() const override { return L"Progress"; }
    bool IsClass(const std::wstring& n) const override { return n == L"Progress" || Label::IsClass(n); }
    bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
    int MinValue() const { return min_; }
    int MaxValue() const { return max_; }
    int Value() const { return value_; }
    void SetValue(int v);

protected:
    void PaintStatusImage(PaintContext& pc) override;

private:
    std::wstring foreImage_;
    int min_ = 0, max_ = 100, value_ = 0;
    bool horizontal_ = true;
};

} // namespace zui
