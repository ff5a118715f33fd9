// Font creation at a scale; the objects live until the table is cleared.
#include "fonttable.h"

#include "dpi.h"

namespace zui {

void FontTable::Add(int id, const FontSpec& spec, bool isDefault) {
    specs_[id] = spec;
    if (isDefault || defaultId_ < 0) defaultId_ = id;
}

const FontSpec& FontTable::Spec(int id) const {
    static const FontSpec fallback;
    auto it = specs_.find(id);
    if (it == specs_.end()) it = specs_.find(defaultId_);
    return it == specs_.end() ? fallback : it->second;
}

HFONT FontTable::GdiFont(int id, int scale) {
    if (!specs_.count(id)) id = defaultId_;
    Made& m = made_[{id, scale}];
    if (!m.gdi) {
        const FontSpec& s = Spec(id);
        LOGFONTW lf{};
        lf.lfHeight = -ScaleLength(s.size, scale);
        lf.lfWeight = s.bold ? FW_BOLD : FW_NORMAL;
        lf.lfUnderline = s.underline;
        lf.lfItalic = s.italic;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = CLEARTYPE_QUALITY;
        lstrcpynW(lf.lfFaceName, s.face.c_str(), LF_FACESIZE);
        m.gdi = ::CreateFontIndirectW(&lf);
    }
    return m.gdi;
}

Gdiplus::GpFont* FontTable::GdipFont(int id, int scale, HDC dc) {
    if (!specs_.count(id)) id = defaultId_;
    HFONT gdi = GdiFont(id, scale);
    Made& m = made_[{id, scale}];
    const GdiPlusApi* g = Gdip();
    if (!m.gdip && g && gdi) {
        LOGFONTW lf{};
        ::GetObjectW(gdi, sizeof lf, &lf);
        g->GdipCreateFontFromLogfontW(dc, &lf, &m.gdip);
    }
    return m.gdip;
}

void FontTable::Clear() {
    const GdiPlusApi* g = Gdip();
    for (auto& kv : made_) {
        if (kv.second.gdip && g) g->GdipDeleteFont(kv.second.gdip);
        if (kv.second.gdi) ::DeleteObject(kv.second.gdi);
    }
    made_.clear();
}

} // namespace zui
