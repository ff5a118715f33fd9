// Font creation at a scale; the objects live until the table is cleared.
#include "fonttable.h"

#include "dpi.h"

namespace zui {

void FontTable::Add(int id, const FontDef& def, bool isDefault) {
    defs_[id] = def;
    if (isDefault || defaultId_ < 0) defaultId_ = id;
}

const FontDef& FontTable::Def(int id) const {
    static const FontDef fallback;
    auto it = defs_.find(id);
    if (it == defs_.end()) it = defs_.find(defaultId_);
    return it == defs_.end() ? fallback : it->second;
}

HFONT FontTable::GdiFont(int id, int scale) {
    if (!defs_.count(id)) id = defaultId_;
    Made& m = made_[{id, scale}];
    if (!m.gdi) {
        const FontDef& s = Def(id);
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
    if (!defs_.count(id)) id = defaultId_;
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
