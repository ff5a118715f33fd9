// Control base: attributes, geometry and the common painting steps.
#include "control.h"

#include "dpi.h"
#include "paintmanager.h"
#include "zrlsetup/utility/base/textconv.h"

#include <cwchar>
#include <cwctype>

namespace zui {

bool ParseRectValue(const std::wstring& v, RECT& r) {
    long l = 0, t = 0, rt = 0, b = 0;
    if (std::swscanf(v.c_str(), L"%ld,%ld,%ld,%ld", &l, &t, &rt, &b) != 4) return false;
    r = RECT{l, t, rt, b};
    return true;
}

bool ParseColorValue(const std::wstring& v, uint32_t& argb) {
    std::wstring s = v;
    if (s.rfind(L"#", 0) == 0) s = s.substr(1);
    else if (s.rfind(L"0x", 0) == 0 || s.rfind(L"0X", 0) == 0) s = s.substr(2);
    else return false;
    if (s.size() == 6) s = L"FF" + s;
    if (s.size() != 8) return false;
    argb = static_cast<uint32_t>(std::wcstoul(s.c_str(), nullptr, 16));
    return true;
}

bool ParseBool(const std::wstring& v) { return v == L"true" || v == L"1"; }

unsigned ParseAlign(const std::wstring& v, unsigned current, bool vertical) {
    if (vertical) {
        current &= ~(kAlignTop | kAlignVCenter | kAlignBottom);
        if (v == L"top") return current | kAlignTop;
        if (v == L"bottom") return current | kAlignBottom;
        return current | kAlignVCenter;
    }
    current &= ~(kAlignLeft | kAlignCenter | kAlignRight);
    if (v == L"center") return current | kAlignCenter;
    if (v == L"right") return current | kAlignRight;
    return current | kAlignLeft;
}

bool Control::SetAttribute(const std::wstring& n, const std::wstring& v) {
    RECT r;
    if (n == L"name") name_ = v;
    else if (n == L"text") text_ = v;
    else if (n == L"width") fixedWidth_ = _wtoi(v.c_str());
    else if (n == L"height") fixedHeight_ = _wtoi(v.c_str());
    else if (n == L"padding") { if (ParseRectValue(v, r)) padding_ = r; }
    else if (n == L"pos") {
        if (ParseRectValue(v, r)) {
            floatPos_ = r;
            if (!fixedWidth_ && r.right > r.left) fixedWidth_ = r.right - r.left;
            if (!fixedHeight_ && r.bottom > r.top) fixedHeight_ = r.bottom - r.top;
        }
    }
    else if (n == L"float") float_ = ParseBool(v);
    else if (n == L"floatalign") floatAlign_ = v;
    else if (n == L"visible") visible_ = ParseBool(v);
    else if (n == L"enabled") enabled_ = ParseBool(v);
    else if (n == L"bkcolor") ParseColorValue(v, bkColor_);
    else if (n == L"bkimage") bkImage_ = v;
    else if (n == L"bordercolor") ParseColorValue(v, borderColor_);
    else if (n == L"bordersize") {
        if (ParseRectValue(v, r)) borderSize_ = r;
        else { const long w = _wtoi(v.c_str()); borderSize_ = RECT{w, w, w, w}; }
    }
    else if (n == L"borderround") { long cx = 0, cy = 0; std::swscanf(v.c_str(), L"%ld,%ld", &cx, &cy); borderRound_ = {cx, cy}; }
    else if (n == L"textcolor") ParseColorValue(v, textColor_);
    else if (n == L"disabledtextcolor") ParseColorValue(v, disabledTextColor_);
    else if (n == L"font") font_ = _wtoi(v.c_str());
    else if (n == L"align") align_ = ParseAlign(v, align_, false);
    else if (n == L"valign") align_ = ParseAlign(v, align_, true);
    else if (n == L"textpadding") { if (ParseRectValue(v, r)) textPadding_ = r; }
    else if (n == L"userdata") userData_ = v;
    else if (n == L"tag" || n == L"Tag") tag_ = _wtoi64(v.c_str());
    else if (n == L"tooltip") toolTip_ = v;
    else if (n == L"TabSuppot" || n == L"tabsupport") tabSupport_ = ParseBool(v);
    else if (n == L"horzpaddingcenter") horzPaddingCenter_ = ParseBool(v);
    else if (n == L"vertpaddingcenter") vertPaddingCenter_ = ParseBool(v);
    else if (n == L"autocalcwidth") autoCalcWidth_ = ParseBool(v);
    else if (n == L"showhtml") showHtml_ = ParseBool(v);
    else return false;
    return true;
}

int Control::Scaled(int v) const { return manager_ ? ScaleLength(v, manager_->Scale()) : v; }

RECT Control::ScaledRect(const RECT& r) const {
    // Insets and paddings: every side on its own.
    return RECT{Scaled(r.left), Scaled(r.top), Scaled(r.right), Scaled(r.bottom)};
}

RECT Control::Padding() const { return ScaledRect(padding_); }
RECT Control::FloatPos() const { return ScaledRect(floatPos_); }

void Control::SetPos(const RECT& rc) {
    if (EqualRect(&rc, &rect_)) return;
    Invalidate();
    rect_ = rc;
    Invalidate();
}

SIZE Control::EstimateSize(SIZE) {
    SIZE size{Scaled(fixedWidth_), Scaled(fixedHeight_)};
    if (autoCalcWidth_ && manager_ && Gdip()) {
        const GdiPlusApi* g = Gdip();
        Gdiplus::GpGraphics* graphics = nullptr;
        if (g->GdipCreateFromHDC(manager_->MeasureDC(), &graphics) == Gdiplus::Ok) {
            Gdiplus::GpStringFormat* format = nullptr;
            g->GdipCreateStringFormat(Gdiplus::StringFormatFlagsNoWrap, 0, &format);
            Gdiplus::RectF layout{0, 0, 10000, 1000}, bounds{};
            g->GdipMeasureString(graphics, text_.c_str(), int(text_.size()),
                                 manager_->Fonts().GdipFont(font_, manager_->Scale(), manager_->MeasureDC()),
                                 &layout, format, &bounds, nullptr, nullptr);
            const RECT tp = ScaledRect(textPadding_);
            size.cx = static_cast<LONG>(bounds.Width + 0.999f) + tp.left + tp.right;
            g->GdipDeleteStringFormat(format);
            g->GdipDeleteGraphics(graphics);
        }
    }
    return size;
}

void Control::SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    if (manager_) {
        if (!visible && manager_->Focused() == this) manager_->SetFocus(nullptr);
        manager_->Layout();
        manager_->Invalidate();
    }
}

void Control::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    Invalidate();
}

bool Control::IsFocused() const { return manager_ && manager_->Focused() == this; }

void Control::SetText(const std::wstring& t) {
    if (text_ == t) return;
    text_ = t;
    if (autoCalcWidth_ && manager_) manager_->Layout();
    Invalidate();
}

void Control::SetBkImage(const std::wstring& descriptor) {
    bkImage_ = descriptor;
    Invalidate();
}

bool Control::ResolveImage(const std::wstring& descriptor, ImageDesc& out) const {
    if (!manager_ || descriptor.empty()) return false;
    return ParseImageDesc(zrl::WideToUtf8(descriptor), manager_->Scale(), manager_->Archive(), out);
}

void Control::SetManager(SkinPaintManager* pm, Control* parent) {
    manager_ = pm;
    parent_ = parent;
}

Control* Control::FindAt(POINT pt) {
    return visible_ && PtInRect(&rect_, pt) ? this : nullptr;
}

void Control::Invalidate() {
    if (manager_) manager_->Invalidate(rect_);
}

RECT Control::TextRect() const {
    const RECT tp = ScaledRect(textPadding_);
    return RECT{rect_.left + tp.left, rect_.top + tp.top, rect_.right - tp.right, rect_.bottom - tp.bottom};
}

void Control::Paint(PaintContext& pc) {
    PaintBkColor(pc);
    PaintBkImage(pc);
    PaintStatusImage(pc);
    PaintText(pc);
    PaintBorder(pc);
    PaintFocus(pc);
}

void Control::PaintBkColor(PaintContext& pc) {
    if (!(bkColor_ >> 24)) return;
    Gdiplus::GpSolidFill* brush = nullptr;
    pc.api->GdipCreateSolidFill(bkColor_, &brush);
    pc.api->GdipFillRectangleI(pc.g, brush, rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top);
    pc.api->GdipDeleteBrush(brush);
}

void Control::PaintBkImage(PaintContext& pc) { DrawImage(pc, bkImage_); }

void Control::PaintText(PaintContext& pc) {
    if (text_.empty()) return;
    DrawTextIn(pc, text_, TextRect(), font_, enabled_ ? textColor_ : disabledTextColor_, align_);
}

void Control::PaintBorder(PaintContext& pc) {
    if (!(borderColor_ >> 24)) return;
    const RECT b = ScaledRect(borderSize_);
    if (!b.left && !b.top && !b.right && !b.bottom) return;
    Gdiplus::GpSolidFill* brush = nullptr;
    pc.api->GdipCreateSolidFill(borderColor_, &brush);
    const int w = rect_.right - rect_.left, h = rect_.bottom - rect_.top;
    if (borderRound_.cx > 0 && b.left == b.top && b.top == b.right && b.right == b.bottom) {
        Gdiplus::GpPen* pen = nullptr;
        pc.api->GdipCreatePen1(borderColor_, float(b.left), Gdiplus::UnitPixel, &pen);
        Gdiplus::GpPath* path = nullptr;
        pc.api->GdipCreatePath(Gdiplus::FillModeWinding, &path);
        const float r = float(Scaled(borderRound_.cx)), half = b.left / 2.0f;
        const float x = rect_.left + half, y = rect_.top + half, rw = w - b.left, rh = h - b.left;
        pc.api->GdipAddPathArc(path, x, y, r, r, 180, 90);
        pc.api->GdipAddPathArc(path, x + rw - r, y, r, r, 270, 90);
        pc.api->GdipAddPathArc(path, x + rw - r, y + rh - r, r, r, 0, 90);
        pc.api->GdipAddPathArc(path, x, y + rh - r, r, r, 90, 90);
        pc.api->GdipClosePathFigure(path);
        pc.api->GdipDrawPath(pc.g, pen, path);
        pc.api->GdipDeletePath(path);
        pc.api->GdipDeletePen(pen);
    } else {
        pc.api->GdipFillRectangleI(pc.g, brush, rect_.left, rect_.top, w, b.top);
        pc.api->GdipFillRectangleI(pc.g, brush, rect_.left, rect_.bottom - b.bottom, w, b.bottom);
        pc.api->GdipFillRectangleI(pc.g, brush, rect_.left, rect_.top, b.left, h);
        pc.api->GdipFillRectangleI(pc.g, brush, rect_.right - b.right, rect_.top, b.right, h);
    }
    pc.api->GdipDeleteBrush(brush);
}

// The keyboard focus cue: a rounded outline just inside the control.
void Control::PaintFocus(PaintContext& pc) {
    if (!IsFocused() || !tabSupport_) return;
    Gdiplus::GpPen* pen = nullptr;
    const float width = float(std::max(1, Scaled(2)));
    pc.api->GdipCreatePen1(0xFF165DFF, width, Gdiplus::UnitPixel, &pen);
    Gdiplus::GpPath* path = nullptr;
    pc.api->GdipCreatePath(Gdiplus::FillModeWinding, &path);
    const float r = float(Scaled(4)) * 2;
    const float x = rect_.left - width, y = rect_.top - width;
    const float w = rect_.right - rect_.left + 2 * width, h = rect_.bottom - rect_.top + 2 * width;
    pc.api->GdipAddPathArc(path, x, y, r, r, 180, 90);
    pc.api->GdipAddPathArc(path, x + w - r, y, r, r, 270, 90);
    pc.api->GdipAddPathArc(path, x + w - r, y + h - r, r, r, 0, 90);
    pc.api->GdipAddPathArc(path, x, y + h - r, r, r, 90, 90);
    pc.api->GdipClosePathFigure(path);
    pc.api->GdipDrawPath(pc.g, pen, path);
    pc.api->GdipDeletePath(path);
    pc.api->GdipDeletePen(pen);
}

bool Control::DrawImage(PaintContext& pc, const std::wstring& descriptor, const RECT* clip) {
    ImageDesc desc;
    if (!ResolveImage(descriptor, desc)) return false;
    ImagePtr image = manager_->Images().Load(desc.name);
    if (!image || image->Frames().empty()) return false;
    size_t frame = 0;
    if (image->Animated()) {
        int total = 0;
        for (const auto& f : image->Frames()) total += std::max(f.delayMs, 10);
        int t = static_cast<int>(manager_->AnimationClock() % std::max(total, 1));
        while (frame + 1 < image->Frames().size() && t >= std::max(image->Frames()[frame].delayMs, 10)) {
            t -= std::max(image->Frames()[frame].delayMs, 10);
            ++frame;
        }
        manager_->NoteAnimated();
    }
    RECT src = desc.hasSource ? desc.source : RECT{0, 0, image->Width(), image->Height()};
    src.right = std::min<LONG>(src.right, image->Width());
    src.bottom = std::min<LONG>(src.bottom, image->Height());
    RECT dst = rect_;
    if (desc.hasDest) {
        dst = RECT{rect_.left + desc.dest.left, rect_.top + desc.dest.top,
                   rect_.left + desc.dest.right, rect_.top + desc.dest.bottom};
    }
    if (clip) pc.api->GdipSetClipRectI(pc.g, clip->left, clip->top, clip->right - clip->left,
                                       clip->bottom - clip->top, Gdiplus::CombineModeIntersect);
    pc.api->GdipDrawImageRectRectI(pc.g, image->Bitmap(frame), dst.left, dst.top, dst.right - dst.left,
                                   dst.bottom - dst.top, src.left, src.top, src.right - src.left,
                                   src.bottom - src.top, Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
    if (clip) pc.api->GdipResetClip(pc.g);
    return true;
}

void Control::DrawTextIn(PaintContext& pc, const std::wstring& text, RECT rc, int font, uint32_t color, unsigned align) {
    Gdiplus::GpFont* f = manager_->Fonts().GdipFont(font, manager_->Scale(), pc.dc);
    if (!f) return;
    Gdiplus::GpStringFormat* format = nullptr;
    pc.api->GdipCreateStringFormat(Gdiplus::StringFormatFlagsNoWrap, 0, &format);
    pc.api->GdipSetStringFormatAlign(format, (align & kAlignCenter) ? Gdiplus::StringAlignmentCenter
                                            : (align & kAlignRight) ? Gdiplus::StringAlignmentFar
                                                                    : Gdiplus::StringAlignmentNear);
    pc.api->GdipSetStringFormatLineAlign(format, (align & kAlignVCenter) ? Gdiplus::StringAlignmentCenter
                                                : (align & kAlignBottom) ? Gdiplus::StringAlignmentFar
                                                                         : Gdiplus::StringAlignmentNear);
    pc.api->GdipSetStringFormatTrimming(format, Gdiplus::StringTrimmingEllipsisCharacter);
    Gdiplus::GpSolidFill* brush = nullptr;
    pc.api->GdipCreateSolidFill(color, &brush);
    Gdiplus::RectF layout{float(rc.left), float(rc.top), float(rc.right - rc.left), float(rc.bottom - rc.top)};
    pc.api->GdipDrawString(pc.g, text.c_str(), int(text.size()), f, &layout, format, brush);
    pc.api->GdipDeleteBrush(brush);
    pc.api->GdipDeleteStringFormat(format);
}

} // namespace zui
