// Container layouts. Lengths are 100 % values scaled through the manager;
// flexible children share the room that fixed children leave.
#include "containers.h"

#include "paintmanager.h"

namespace zui {

bool Container::SetAttribute(const std::wstring& n, const std::wstring& v) {
    RECT r;
    if (n == L"inset") { if (ParseRectValue(v, r)) inset_ = r; }
    else if (n == L"DPIInset") dpiInset_ = ParseBool(v);
    else return Control::SetAttribute(n, v);
    return true;
}

void Container::Add(std::unique_ptr<Control> child) {
    if (manager_) child->SetManager(manager_, this);
    children_.push_back(std::move(child));
    if (manager_) manager_->Layout();
}

void Container::RemoveAll() {
    for (auto& c : children_) {
        if (manager_) manager_->ForgetControl(c.get());
    }
    children_.clear();
    if (manager_) manager_->Layout();
}

int Container::IndexOf(const Control* c) const {
    for (size_t i = 0; i < children_.size(); ++i) {
        if (children_[i].get() == c) return int(i);
    }
    return -1;
}

void Container::SetManager(SkinPaintManager* pm, Control* parent) {
    Control::SetManager(pm, parent);
    for (auto& c : children_) c->SetManager(pm, this);
}

RECT Container::Inset() const { return dpiInset_ ? ScaledRect(inset_) : inset_; }

void Container::SetPos(const RECT& rc) {
    Control::SetPos(rc);
    const RECT in = Inset();
    LayoutChildren(RECT{rc.left + in.left, rc.top + in.top, rc.right - in.right, rc.bottom - in.bottom});
    LayoutFloats();
    ApplyPaddingCenter();
}

// Children stacked on top of each other: each takes the room minus its padding, or its fixed size.
void Container::LayoutChildren(const RECT& rc) {
    for (auto& c : children_) {
        if (!c->IsVisible() || c->IsFloat()) continue;
        const RECT p = c->Padding();
        RECT r{rc.left + p.left, rc.top + p.top, rc.right - p.right, rc.bottom - p.bottom};
        const SIZE s = c->EstimateSize({r.right - r.left, r.bottom - r.top});
        if (s.cx > 0) r.right = r.left + s.cx;
        if (s.cy > 0) r.bottom = r.top + s.cy;
        c->SetPos(r);
    }
}

// Floating children: pos gives left and top in the parent; floatalign centres or aligns them.
void Container::LayoutFloats() {
    for (auto& c : children_) {
        if (!c->IsVisible() || !c->IsFloat()) continue;
        const RECT fp = c->FloatPos();
        const SIZE s = c->EstimateSize({rect_.right - rect_.left, rect_.bottom - rect_.top});
        const int w = s.cx > 0 ? s.cx : fp.right - fp.left, h = s.cy > 0 ? s.cy : fp.bottom - fp.top;
        RECT r{rect_.left + fp.left, rect_.top + fp.top, 0, 0};
        const std::wstring& align = c->FloatAlign();
        if (align.find(L"vcenter") != std::wstring::npos) r.top = rect_.top + (rect_.bottom - rect_.top - h) / 2;
        else if (align.find(L"bottom") != std::wstring::npos) r.top = rect_.bottom - fp.bottom - h;
        if (align.find(L"hcenter") != std::wstring::npos) r.left = rect_.left + (rect_.right - rect_.left - w) / 2;
        else if (align.find(L"right") != std::wstring::npos) r.left = rect_.right - fp.right - w;
        r.right = r.left + w;
        r.bottom = r.top + h;
        c->SetPos(r);
    }
}

// horzpaddingcenter / vertpaddingcenter: centre a laid-out child in this container.
void Container::ApplyPaddingCenter() {
    for (auto& c : children_) {
        if (!c->IsVisible() || c->IsFloat()) continue;
        if (!c->HorzPaddingCenter() && !c->VertPaddingCenter()) continue;
        RECT r = c->Pos();
        const int w = r.right - r.left, h = r.bottom - r.top;
        if (c->HorzPaddingCenter()) { r.left = rect_.left + (rect_.right - rect_.left - w) / 2; r.right = r.left + w; }
        if (c->VertPaddingCenter()) { r.top = rect_.top + (rect_.bottom - rect_.top - h) / 2; r.bottom = r.top + h; }
        c->SetPos(r);
    }
}

Control* Container::FindAt(POINT pt) {
    if (!visible_ || !PtInRect(&rect_, pt)) return nullptr;
    // Later children are drawn over earlier ones: search from the end.
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        if (Control* hit = (*it)->FindAt(pt)) return hit;
    }
    return this;
}

void Container::Paint(PaintContext& pc) {
    Control::Paint(pc);
    for (auto& c : children_) {
        if (!c->IsVisible()) continue;
        RECT visible;
        if (!IntersectRect(&visible, &c->Pos(), &rect_) && !c->IsFloat()) continue;
        c->Paint(pc);
    }
}

void Container::StackChildren(const RECT& rc, bool vertical) {
    // "Along" is the stacking axis, "across" the other one.
    auto along = [vertical](SIZE s) { return vertical ? s.cy : s.cx; };
    auto across = [vertical](SIZE s) { return vertical ? s.cx : s.cy; };
    auto padAlong = [vertical](const RECT& p) { return vertical ? p.top + p.bottom : p.left + p.right; };
    const SIZE room{rc.right - rc.left, rc.bottom - rc.top};

    int fixedTotal = 0, flexible = 0;
    std::vector<SIZE> sizes;
    for (auto& c : children_) {
        SIZE s{0, 0};
        if (c->IsVisible() && !c->IsFloat()) {
            s = c->EstimateSize(room);
            fixedTotal += padAlong(c->Padding()) + along(s);
            if (along(s) <= 0) ++flexible;
        }
        sizes.push_back(s);
    }
    int flexLeft = flexible, freeLeft = std::max(0, int(along(room)) - fixedTotal);
    int at = vertical ? rc.top : rc.left;
    const int acrossStart = vertical ? rc.left : rc.top;
    for (size_t i = 0; i < children_.size(); ++i) {
        Control* c = children_[i].get();
        if (!c->IsVisible() || c->IsFloat()) continue;
        const RECT p = c->Padding();
        const int before = vertical ? p.top : p.left, after = vertical ? p.bottom : p.right;
        const int acrossBefore = vertical ? p.left : p.top, acrossAfter = vertical ? p.right : p.bottom;
        int length = along(sizes[i]);
        if (length <= 0) { length = flexLeft ? freeLeft / flexLeft : 0; freeLeft -= length; --flexLeft; }
        const int thickness = across(sizes[i]) > 0 ? across(sizes[i]) : across(room) - acrossBefore - acrossAfter;
        at += before;
        const int a0 = acrossStart + acrossBefore;
        c->SetPos(vertical ? RECT{a0, at, a0 + thickness, at + length} : RECT{at, a0, at + length, a0 + thickness});
        at += length + after;
    }
}

void VerticalLayout::LayoutChildren(const RECT& rc) { StackChildren(rc, true); }

void HorizontalLayout::LayoutChildren(const RECT& rc) { StackChildren(rc, false); }

bool TabLayout::SetAttribute(const std::wstring& n, const std::wstring& v) {
    if (n == L"selectedid") current_ = _wtoi(v.c_str());
    else return Container::SetAttribute(n, v);
    return true;
}

void TabLayout::Init() {
    for (size_t i = 0; i < children_.size(); ++i) children_[i]->SetVisible(int(i) == current_);
}

void TabLayout::LayoutChildren(const RECT& rc) {
    for (auto& c : children_) {
        if (!c->IsVisible() || c->IsFloat()) continue;
        const RECT p = c->Padding();
        c->SetPos(RECT{rc.left + p.left, rc.top + p.top, rc.right - p.right, rc.bottom - p.bottom});
    }
}

bool TabLayout::SelectItem(int index, bool notify) {
    if (index < 0 || index >= int(children_.size())) return false;
    const int old = current_;
    current_ = index;
    for (size_t i = 0; i < children_.size(); ++i) children_[i]->SetVisible(int(i) == index);
    if (manager_) {
        manager_->Layout();
        manager_->Invalidate();
        if (notify && old != index) manager_->SendNotify(this, L"tabselect", index, old);
    }
    return true;
}

} // namespace zui
