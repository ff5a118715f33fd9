// The base of every control: geometry in 100 % units, the common look
// (background, border, text) and the hooks the layout and the window use.
#pragma once

#include "gdiplusapi.h"
#include "imagedesc.h"

#include <string>
#include <vector>

namespace zui {

class SkinPaintManager;
class Container;

// Text alignment flags.
enum : unsigned { kAlignLeft = 1, kAlignCenter = 2, kAlignRight = 4, kAlignTop = 8, kAlignVCenter = 16, kAlignBottom = 32 };

struct PaintContext {
    Gdiplus::GpGraphics* g = nullptr;
    HDC dc = nullptr;
    const GdiPlusApi* api = nullptr;
    SkinPaintManager* pm = nullptr;
};

enum class MouseEvent { Enter, Leave, Down, Up, Move };

class Control {
public:
    virtual ~Control() = default;
    virtual const wchar_t* ClassName() const { return L"Control"; }
    // Whether this control is of the named class (or derives from it).
    virtual bool IsClass(const std::wstring& name) const { return name == L"Control"; }
    virtual Container* AsContainer() { return nullptr; }

    // Layout attributes; returns false for an attribute this class does not know.
    virtual bool SetAttribute(const std::wstring& name, const std::wstring& value);
    virtual void Init() {}   // after the tree is attached to a manager

    // Geometry.
    virtual void SetPos(const RECT& rc);
    const RECT& Pos() const { return rect_; }
    // Desired size at the current scale (0 = take the free room), given the room available.
    virtual SIZE EstimateSize(SIZE available);
    int FixedWidth() const { return fixedWidth_; }
    int FixedHeight() const { return fixedHeight_; }
    void SetFixedWidth(int w) { fixedWidth_ = w; }
    void SetFixedHeight(int h) { fixedHeight_ = h; }
    RECT Padding() const;          // scaled
    bool IsFloat() const { return float_; }
    RECT FloatPos() const;         // scaled
    const std::wstring& FloatAlign() const { return floatAlign_; }
    bool HorzPaddingCenter() const { return horzPaddingCenter_; }
    bool VertPaddingCenter() const { return vertPaddingCenter_; }

    // State.
    bool IsVisible() const { return visible_; }
    virtual void SetVisible(bool visible);
    bool IsEnabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);
    bool IsFocused() const;
    virtual bool Activate() { return visible_ && enabled_; }   // Space/Enter or click
    virtual bool WantsMouse() const { return false; }
    virtual void OnMouse(MouseEvent, POINT) {}
    virtual void OnFocus(bool) {}
    virtual void OnScaleChanged() {}
    // After each layout pass: whether the control and all its parents are visible (for native windows).
    virtual void SyncShown(bool) {}

    // Data.
    const std::wstring& Name() const { return name_; }
    void SetName(const std::wstring& n) { name_ = n; }
    const std::wstring& Text() const { return text_; }
    virtual void SetText(const std::wstring& t);
    const std::wstring& UserData() const { return userData_; }
    long long Tag() const { return tag_; }
    void SetTag(long long t) { tag_ = t; }
    const std::wstring& ToolTip() const { return toolTip_; }
    bool TabSupport() const { return tabSupport_; }
    void SetBkImage(const std::wstring& descriptor);
    const std::wstring& BkImage() const { return bkImage_; }
    // Resolves an image descriptor at the manager's scale (for checks and drawing).
    bool ResolveImage(const std::wstring& descriptor, ImageDesc& out) const;

    // Tree.
    SkinPaintManager* Manager() const { return manager_; }
    virtual void SetManager(SkinPaintManager* pm, Control* parent);
    Control* Parent() const { return parent_; }
    virtual Control* FindAt(POINT pt);
    void Invalidate();

    // Painting.
    virtual void Paint(PaintContext& pc);

protected:
    int Scaled(int v) const;
    RECT ScaledRect(const RECT& r) const;
    void PaintBkColor(PaintContext& pc);
    void PaintBkImage(PaintContext& pc);
    virtual void PaintStatusImage(PaintContext&) {}
    virtual void PaintText(PaintContext& pc);
    void PaintBorder(PaintContext& pc);
    void PaintFocus(PaintContext& pc);
    // Draws an image descriptor into the control's rectangle (or its dest).
    bool DrawImage(PaintContext& pc, const std::wstring& descriptor, const RECT* clip = nullptr);
    void DrawTextIn(PaintContext& pc, const std::wstring& text, RECT rc, int font, uint32_t color, unsigned align);
    RECT TextRect() const;   // rect_ minus the text padding

    SkinPaintManager* manager_ = nullptr;
    Control* parent_ = nullptr;
    RECT rect_{0, 0, 0, 0};
    std::wstring name_, text_, userData_, toolTip_, bkImage_, floatAlign_;
    int fixedWidth_ = 0, fixedHeight_ = 0;
    RECT padding_{0, 0, 0, 0}, floatPos_{0, 0, 0, 0}, textPadding_{0, 0, 0, 0};
    RECT borderSize_{0, 0, 0, 0};
    SIZE borderRound_{0, 0};
    uint32_t bkColor_ = 0, borderColor_ = 0, textColor_ = 0xFF000000, disabledTextColor_ = 0xFFA7A6AA;
    int font_ = -1;
    unsigned align_ = kAlignLeft | kAlignVCenter;
    bool float_ = false, visible_ = true, enabled_ = true, tabSupport_ = false;
    bool horzPaddingCenter_ = false, vertPaddingCenter_ = false, autoCalcWidth_ = false;
    bool showHtml_ = false;
    long long tag_ = 0;
};

// Attribute value helpers shared by the controls and the builder.
bool ParseRectValue(const std::wstring& v, RECT& r);
bool ParseColorValue(const std::wstring& v, uint32_t& argb);
bool ParseBool(const std::wstring& v);
unsigned ParseAlign(const std::wstring& v, unsigned current, bool vertical);

} // namespace zui
