// Containers: a plain stacking container, vertical and horizontal layouts and
// a tab layout that shows one page at a time.
#pragma once

#include "control.h"

#include <memory>
#include <vector>

namespace zui {

class Container : public Control {
public:
    const wchar_t* ClassName() const override { return L"Container"; }
    bool IsClass(const std::wstring& n) const override { return n == L"Container" || Control::IsClass(n); }
    Container* AsContainer() override { return this; }
    bool SetAttribute(const std::wstring& name, const std::wstring& value) override;

    void Add(std::unique_ptr<Control> child);
    void RemoveAll();
    size_t Count() const { return children_.size(); }
    Control* At(size_t i) const { return i < children_.size() ? children_[i].get() : nullptr; }
    int IndexOf(const Control* c) const;

    void SetManager(SkinPaintManager* pm, Control* parent) override;
    void SetPos(const RECT& rc) override;
    Control* FindAt(POINT pt) override;
    void Paint(PaintContext& pc) override;

protected:
    RECT Inset() const;
    // Lays out the children that do not float inside rc (the rect minus the inset).
    virtual void LayoutChildren(const RECT& rc);
    // Places the children one after another down (vertical) or across the rect:
    // fixed sizes first, the room left shared evenly by children without one.
    void StackChildren(const RECT& rc, bool vertical);
    void LayoutFloats();
    void ApplyPaddingCenter();

    std::vector<std::unique_ptr<Control>> children_;
    RECT inset_{0, 0, 0, 0};
    bool dpiInset_ = true;
};

class VerticalLayout : public Container {
public:
    const wchar_t* ClassName() const override { return L"VerticalLayout"; }
    bool IsClass(const std::wstring& n) const override { return n == L"VerticalLayout" || Container::IsClass(n); }
protected:
    void LayoutChildren(const RECT& rc) override;
};

class HorizontalLayout : public Container {
public:
    const wchar_t* ClassName() const override { return L"HorizontalLayout"; }
    bool IsClass(const std::wstring& n) const override { return n == L"HorizontalLayout" || Container::IsClass(n); }
protected:
    void LayoutChildren(const RECT& rc) override;
};

class TabLayout : public Container {
public:
    const wchar_t* ClassName() const override { return L"TabLayout"; }
    bool IsClass(const std::wstring& n) const override { return n == L"TabLayout" || Container::IsClass(n); }
    bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void Init() override;
    int CurSel() const { return current_; }
    // Shows page index; with notify the "tabselect" notification is raised.
    bool SelectItem(int index, bool notify = true);
    bool SelectItem(Control* page, bool notify = true) { return SelectItem(IndexOf(page), notify); }
protected:
    void LayoutChildren(const RECT& rc) override;
private:
    int current_ = 0;
};

} // namespace zui
