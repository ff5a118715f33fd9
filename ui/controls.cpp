// Label, Button, Option and Progress.
#include "controls.h"

#include "containers.h"
#include "paintmanager.h"

namespace zui {

bool Button::SetAttribute(const std::wstring& n, const std::wstring& v) {
    if (n == L"normalimage") normalImage_ = v;
    else if (n == L"hotimage") hotImage_ = v;
    else if (n == L"pushedimage") pushedImage_ = v;
    else if (n == L"disabledimage") disabledImage_ = v;
    else if (n == L"focusedimage") focusedImage_ = v;
    else if (n == L"hottextcolor") ParseColorValue(v, hotTextColor_);
    else if (n == L"pushedtextcolor") ParseColorValue(v, pushedTextColor_);
    else if (n == L"hotfont") hotFont_ = _wtoi(v.c_str());
    else return Label::SetAttribute(n, v);
    return true;
}

bool Button::IsHot() const { return manager_ && manager_->Hot() == this; }
bool Button::IsPushed() const { return manager_ && manager_->Pushed() == this && IsHot(); }

void Button::OnMouse(MouseEvent e, POINT pt) {
    if (e == MouseEvent::Up && enabled_ && PtInRect(&rect_, pt)) Activate();
    Invalidate();
}

bool Button::Activate() {
    if (!Control::Activate()) return false;
    if (manager_) manager_->SendNotify(this, L"click");
    return true;
}

const std::wstring& Button::CurrentImage() const {
    if (!enabled_ && !disabledImage_.empty()) return disabledImage_;
    if (IsPushed() && !pushedImage_.empty()) return pushedImage_;
    if (IsHot() && !hotImage_.empty()) return hotImage_;
    if (IsFocused() && !focusedImage_.empty()) return focusedImage_;
    return normalImage_;
}

void Button::PaintStatusImage(PaintContext& pc) {
    if (!DrawImage(pc, CurrentImage())) DrawImage(pc, normalImage_);
}

void Button::PaintText(PaintContext& pc) {
    if (text_.empty()) return;
    uint32_t color = enabled_ ? textColor_ : disabledTextColor_;
    if (enabled_ && IsPushed() && (pushedTextColor_ >> 24)) color = pushedTextColor_;
    else if (enabled_ && IsHot() && (hotTextColor_ >> 24)) color = hotTextColor_;
    const int font = enabled_ && IsHot() && hotFont_ >= 0 ? hotFont_ : font_;
    DrawTextIn(pc, text_, TextRect(), font, color, align_);
}

bool Option::SetAttribute(const std::wstring& n, const std::wstring& v) {
    if (n == L"selectedimage") selectedImage_ = v;
    else if (n == L"selectedhotimage") selectedHotImage_ = v;
    else if (n == L"selectedpushedimage") selectedPushedImage_ = v;
    else if (n == L"group") group_ = v;
    else if (n == L"selected") selected_ = ParseBool(v);
    else return Button::SetAttribute(n, v);
    return true;
}

void Option::Selected(bool selected, bool notify) {
    if (selected_ == selected) return;
    selected_ = selected;
    if (selected_ && !group_.empty() && parent_ && parent_->AsContainer()) {
        // One selected option per group among the siblings.
        Container* c = parent_->AsContainer();
        for (size_t i = 0; i < c->Count(); ++i) {
            Control* other = c->At(i);
            if (other != this && other->IsClass(L"Option")) {
                auto* o = static_cast<Option*>(other);
                if (o->group_ == group_) o->Selected(false, notify);
            }
        }
    }
    Invalidate();
    if (notify && manager_) manager_->SendNotify(this, L"selectchanged");
}

bool Option::Activate() {
    if (!Control::Activate()) return false;
    if (group_.empty()) Selected(!selected_);
    else Selected(true);
    if (manager_) manager_->SendNotify(this, L"click");
    return true;
}

const std::wstring& Option::CurrentImage() const {
    if (!selected_) return Button::CurrentImage();
    if (IsPushed() && !selectedPushedImage_.empty()) return selectedPushedImage_;
    if (IsHot() && !selectedHotImage_.empty()) return selectedHotImage_;
    return selectedImage_.empty() ? Button::CurrentImage() : selectedImage_;
}

bool Progress::SetAttribute(const std::wstring& n, const std::wstring& v) {
    if (n == L"foreimage") foreImage_ = v;
    else if (n == L"min") min_ = _wtoi(v.c_str());
    else if (n == L"max") max_ = _wtoi(v.c_str());
    else if (n == L"value") value_ = _wtoi(v.c_str());
    else if (n == L"hor") horizontal_ = ParseBool(v);
    else return Label::SetAttribute(n, v);
    return true;
}

void Progress::SetValue(int v) {
    v = std::max(min_, std::min(max_, v));
    if (v == value_) return;
    value_ = v;
    Invalidate();
}

// The fore image is drawn whole and clipped to the filled share, so its shape and gradient stay put.
void Progress::PaintStatusImage(PaintContext& pc) {
    if (foreImage_.empty() || max_ <= min_) return;
    RECT clip = rect_;
    if (horizontal_) clip.right = rect_.left + MulDiv(rect_.right - rect_.left, value_ - min_, max_ - min_);
    else clip.top = rect_.bottom - MulDiv(rect_.bottom - rect_.top, value_ - min_, max_ - min_);
    if (clip.right <= clip.left || clip.bottom <= clip.top) return;
    DrawImage(pc, foreImage_, &clip);
}

} // namespace zui
