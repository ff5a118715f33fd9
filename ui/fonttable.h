// The font table of a skin: fonts by id, made at the window's scale as GDI
// fonts (for native child windows) and GDI+ fonts (for drawn text).
#pragma once

#include "gdiplusapi.h"

#include <map>
#include <string>

namespace zui {

struct FontDef {
    std::wstring face = L"微软雅黑";
    int size = 12;        // character height in pixels at 100 %
    bool bold = false, underline = false, italic = false;
    bool shared = false;
};

class FontTable {
public:
    ~FontTable() { Clear(); }
    void Add(int id, const FontDef& def, bool isDefault);
    bool Has(int id) const { return defs_.count(id) != 0; }
    // id -1 (or an unknown id) is the default font.
    HFONT GdiFont(int id, int scale);
    Gdiplus::GpFont* GdipFont(int id, int scale, HDC dc);
    int DefaultId() const { return defaultId_; }
    void Clear();

private:
    struct Made { HFONT gdi = nullptr; Gdiplus::GpFont* gdip = nullptr; };
    const FontDef& Def(int id) const;
    std::map<int, FontDef> defs_;
    std::map<std::pair<int, int>, Made> made_;
    int defaultId_ = -1;
};

} // namespace zui
