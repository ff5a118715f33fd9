// Skin toolkit units: the ZIP reader, DPI steps, image variant and descriptor
// rules, SVG rendering on GDI+, and building layouts from the carried skin.
#include "ui/containers.h"
#include "ui/controls.h"
#include "ui/dpi.h"
#include "ui/imagedesc.h"
#include "ui/layoutbuilder.h"
#include "ui/paintmanager.h"
#include "ui/skinapp.h"
#include "ui/svgimage.h"
#include "ui/zipreader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct ZipEntry {
    std::string name;
    std::string data;
    bool deflate = false;
    uint16_t flags = 0;
    bool badCrc = false;
};

void Put16(std::string& s, uint32_t v) { s += char(v & 255); s += char((v >> 8) & 255); }
void Put32(std::string& s, uint32_t v) { Put16(s, v & 0xFFFF); Put16(s, v >> 16); }

// A minimal ZIP writer for fixtures: local headers, central directory, end record.
std::string MakeZip(const std::vector<ZipEntry>& entries, const std::string& comment = "") {
    std::string out, central;
    for (const ZipEntry& e : entries) {
        std::string body = e.data;
        if (e.deflate) {
            std::vector<Bytef> buf(compressBound(uLong(e.data.size())) + 16);
            z_stream z{};
            deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(e.data.data()));
            z.avail_in = uInt(e.data.size());
            z.next_out = buf.data();
            z.avail_out = uInt(buf.size());
            deflate(&z, Z_FINISH);
            body.assign(reinterpret_cast<char*>(buf.data()), z.total_out);
            deflateEnd(&z);
        }
        uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), uInt(e.data.size()));
        if (e.badCrc) crc ^= 1;
        const uint32_t offset = uint32_t(out.size());
        std::string header;
        Put16(header, 20); Put16(header, e.flags); Put16(header, e.deflate ? 8 : 0);
        Put16(header, 0); Put16(header, 0x5021);
        Put32(header, crc); Put32(header, uint32_t(body.size())); Put32(header, uint32_t(e.data.size()));
        Put16(header, uint16_t(e.name.size())); Put16(header, 0);
        Put32(out, 0x04034b50);
        out += header + e.name + body;
        Put32(central, 0x02014b50);
        Put16(central, 20);
        central += header;
        Put16(central, 0); Put16(central, 0); Put16(central, 0); Put32(central, 0);
        Put32(central, offset);
        central += e.name;
    }
    const uint32_t dirOffset = uint32_t(out.size());
    out += central;
    Put32(out, 0x06054b50); Put16(out, 0); Put16(out, 0);
    Put16(out, uint16_t(entries.size())); Put16(out, uint16_t(entries.size()));
    Put32(out, uint32_t(central.size())); Put32(out, dirOffset);
    Put16(out, uint16_t(comment.size()));
    return out + comment;
}

std::string Read(const zui::ZipArchive& zip, const std::string& name) {
    std::vector<uint8_t> bytes;
    if (!zip.Read(name, bytes)) return "<missing>";
    return std::string(bytes.begin(), bytes.end());
}

std::string CarriedSkin() {
    std::ifstream in(ZRL_SKIN_ZIP, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string RectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

} // namespace

TEST(ZipReader, ReadsStoredAndDeflatedEntriesByPath) {
    const std::string text(5000, 'x');
    const std::string zip = MakeZip({{"Layout/", ""}, {"Layout/a.xml", "<Window/>"}, {"Image/big.txt", text, true}},
                                    "trailing comment");
    zui::ZipArchive archive;
    ASSERT_TRUE(archive.Open(zip.data(), zip.size())) << archive.Error();
    EXPECT_EQ(Read(archive, "Layout/a.xml"), "<Window/>");
    EXPECT_EQ(Read(archive, "Image/big.txt"), text);
    EXPECT_TRUE(archive.Contains("Layout/"));
    EXPECT_EQ(Read(archive, "Layout\\a.xml"), "<missing>");
    EXPECT_EQ(Read(archive, "layout/a.xml"), "<missing>");
}

TEST(ZipReader, RefusesWhatItCannotRead) {
    const std::string good = MakeZip({{"a", "1"}});
    const std::string encrypted = MakeZip({{"a", "1", false, 1}});
    const std::string corrupt = MakeZip({{"a", "hello", true, 0, true}});
    zui::ZipArchive archive;
    EXPECT_FALSE(archive.Open(good.data(), good.size(), "secret"));
    EXPECT_NE(archive.Error().find("password"), std::string::npos);
    EXPECT_FALSE(archive.Open(encrypted.data(), encrypted.size()));
    EXPECT_FALSE(archive.Open("not a zip at all, not a zip at all", 34));
    EXPECT_FALSE(archive.Open(good.data(), good.size() - 3));   // cut end record
    ASSERT_TRUE(archive.Open(corrupt.data(), corrupt.size()));
    EXPECT_EQ(Read(archive, "a"), "<missing>");                  // CRC mismatch
}

TEST(Dpi, StepsAndScales) {
    const struct { int dpi, stepped, scale; } cases[] = {
        {72, 72, 75}, {96, 96, 100}, {110, 96, 100}, {119, 96, 100}, {120, 120, 125}, {143, 120, 125},
        {144, 144, 150}, {168, 168, 175}, {191, 168, 175}, {192, 192, 200}, {240, 192, 200}};
    for (const auto& c : cases) {
        EXPECT_EQ(zui::StepDpi(c.dpi), c.stepped) << c.dpi;
        EXPECT_EQ(zui::ScaleForDpi(c.dpi), c.scale) << c.dpi;
    }
    EXPECT_EQ(RectText(zui::ScaleRect(RECT{42, 0, 56, 14}, 150)), "63,0,84,21");
    EXPECT_EQ(RectText(zui::ScaleRect(RECT{0, 1, 14, 15}, 125)), "0,1,18,19");
}

TEST(ImageVariants, CandidateRules) {
    const std::string zip = MakeZip({{"Image/a.png", "p"}, {"Image/a@150.png", "p"}, {"Image/b.svg", "s"}});
    zui::ZipArchive archive;
    ASSERT_TRUE(archive.Open(zip.data(), zip.size()));
    const struct { const char* file; int scale; const char* name; bool taken; } cases[] = {
        {"Image/a.png", 100, "Image/a.png", false},
        {"Image/a.png", 125, "Image/a.png", false},       // no such variant: the 100 % file
        {"Image/a.png", 150, "Image/a@150.png", true},
        {"Image/b.svg", 100, "Image/b.svg", false},
        {"Image/b.svg", 175, "Image/b@175.svg", true},    // SVG candidates are always taken
        {"Image/missing.svg", 200, "Image/missing@200.svg", true},
    };
    for (const auto& c : cases) {
        const zui::ImageChoice choice = zui::ChooseImageVariant(c.file, c.scale, archive);
        EXPECT_EQ(choice.name, c.name) << c.file << " " << c.scale;
        EXPECT_EQ(choice.candidateTaken, c.taken) << c.file << " " << c.scale;
    }
}

TEST(ImageDescriptors, SourceAndDestFollowTheScaleRules) {
    const std::string zip = MakeZip({{"Image/c.svg", "s"}, {"Image/p.png", "p"}});
    zui::ZipArchive archive;
    ASSERT_TRUE(archive.Open(zip.data(), zip.size()));
    const std::string check = "file='Image/c.svg' source='42,0,56,14' source125='54,0,72,18' "
                              "source175='75,0,100,25' dest='0,1,14,15'";
    const struct { std::string text; int scale; const char* name; const char* source; const char* dest; } cases[] = {
        {check, 100, "Image/c.svg", "42,0,56,14", "0,1,14,15"},
        {check, 125, "Image/c@125.svg", "54,0,72,18", "0,1,18,19"},
        {check, 150, "Image/c@150.svg", "63,0,84,21", "0,2,21,23"},
        {check, 175, "Image/c@175.svg", "75,0,100,25", "0,2,25,27"},
        {check, 200, "Image/c@200.svg", "84,0,112,28", "0,2,28,30"},
        // A PNG without a variant keeps its source in 100 % pixels; dest still scales.
        {"file='Image/p.png' source='10,0,20,10' dest='0,0,10,10'", 200, "Image/p.png", "10,0,20,10", "0,0,20,20"},
        // Keys apply in order: a later source replaces an earlier source125.
        {"file='Image/c.svg' source125='5,0,23,18' source='14,0,28,14'", 125, "Image/c@125.svg", "18,0,36,18", "-"},
        {"Image/p.png", 150, "Image/p.png", "-", "-"},
    };
    for (const auto& c : cases) {
        zui::ImageDesc d;
        ASSERT_TRUE(zui::ParseImageDesc(c.text, c.scale, archive, d)) << c.text;
        EXPECT_EQ(d.name, c.name) << c.text << " @" << c.scale;
        EXPECT_EQ(d.hasSource ? RectText(d.source) : "-", c.source) << c.text << " @" << c.scale;
        EXPECT_EQ(d.hasDest ? RectText(d.dest) : "-", c.dest) << c.text << " @" << c.scale;
    }
}

TEST(Svg, RendersShapesColoursAndGradientsAtAFactor) {
    const std::string zip = CarriedSkin();
    zui::ZipArchive archive;
    ASSERT_TRUE(archive.Open(zip.data(), zip.size()));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(archive.Read("Image/BtnInstall.svg", bytes));
    for (double factor : {1.0, 1.5}) {
        zui::ImagePtr strip = zui::RenderSvg(bytes, factor);
        ASSERT_TRUE(strip);
        EXPECT_EQ(strip->Width(), int(880 * factor));
        EXPECT_EQ(strip->Height(), int(44 * factor));
        const int y = int(22 * factor);
        EXPECT_EQ(strip->Pixel(int(110 * factor), y), 0xFF165DFFu);
        EXPECT_EQ(strip->Pixel(int(330 * factor), y), 0xFF4080FFu);
        EXPECT_EQ(strip->Pixel(int(550 * factor), y), 0xFF0E42D2u);
        EXPECT_EQ(strip->Pixel(int(770 * factor), y), 0xFFBEDAFFu);
        EXPECT_EQ(strip->Pixel(1, 1) >> 24, 0u) << "rounded corner";
    }
    ASSERT_TRUE(archive.Read("Image/ProgressFore.svg", bytes));
    zui::ImagePtr fill = zui::RenderSvg(bytes, 1.0);
    ASSERT_TRUE(fill);
    auto closeTo = [](uint32_t got, uint32_t want) {
        for (int shift : {0, 8, 16}) {
            if (std::abs(int((got >> shift) & 255) - int((want >> shift) & 255)) > 8) return false;
        }
        return true;
    };
    EXPECT_TRUE(closeTo(fill->Pixel(6, 5), 0xFFA1C0FF)) << std::hex << fill->Pixel(6, 5);
    EXPECT_TRUE(closeTo(fill->Pixel(508, 5), 0xFF165DFF)) << std::hex << fill->Pixel(508, 5);

    // Arcs, relative commands and stroke-only paths.
    const std::string circle = R"(<svg width="20" height="20"><path d="M0 10 a10 10 0 1 1 20 0 A10 10 0 1 1 0 10 Z" fill="#FF0000"/>
        <path d="M2 18 h16" stroke="#0000FF" stroke-width="2" fill="none"/></svg>)";
    zui::ImagePtr c = zui::RenderSvg(std::vector<uint8_t>(circle.begin(), circle.end()), 1.0);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->Pixel(10, 10), 0xFFFF0000u);
    EXPECT_EQ(c->Pixel(0, 0) >> 24, 0u);
    EXPECT_EQ(c->Pixel(0, 18) >> 24, 0u);
    EXPECT_EQ(c->Pixel(10, 18) & 0xFF, 0xFFu) << std::hex << c->Pixel(10, 18);
    EXPECT_FALSE(zui::RenderSvg(std::vector<uint8_t>{'<', 'x', '/', '>'}, 1.0));
}

TEST(LayoutBuilder, BuildsTheCarriedLayoutWithFontsAndClasses) {
    const std::string zip = CarriedSkin();
    ASSERT_TRUE(zui::SkinApp::SetResourceZip(zip.data(), zip.size()));
    zui::SkinPaintManager pm;
    zui::LayoutBuilder builder(zui::SkinApp::Archive(), pm);
    std::unique_ptr<zui::Control> root = builder.Build("Layout/Layout.xml");
    ASSERT_TRUE(root) << builder.Error();
    pm.SetScale(150);
    pm.AttachRoot(std::move(root));
    EXPECT_EQ(pm.InitSize().cx, 600);
    EXPECT_EQ(pm.InitSize().cy, 460);
    for (int id : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 15, 16, 17, 18, 1000, 1001}) {
        EXPECT_TRUE(pm.Fonts().Has(id)) << id;
    }
    EXPECT_EQ(pm.Fonts().DefaultId(), 0);
    const struct { const wchar_t* name; const wchar_t* cls; } names[] = {
        {L"TabMain", L"TabLayout"}, {L"VertInitView", L"VerticalLayout"}, {L"HorizCaptionBtn", L"HorizontalLayout"},
        {L"BtnInstall", L"Button"}, {L"CheckLicence", L"Option"}, {L"EditInstallPath", L"RichEdit"},
        {L"ProgressInstall", L"Progress"}, {L"LabelInstallValue", L"Label"}, {L"BtnStart", L"Button"}};
    for (const auto& n : names) {
        zui::Control* c = pm.FindControl(n.name);
        ASSERT_TRUE(c) << n.name;
        EXPECT_TRUE(c->IsClass(n.cls)) << n.name;
    }
    EXPECT_FALSE(pm.FindControl(L"CheckLicence")->IsClass(L"Progress"));
    EXPECT_FALSE(pm.FindControl(L"VertUpdateView"));
    EXPECT_EQ(pm.FindControl(L"EditInstallPath")->UserData(), L"InstallPath");
    EXPECT_EQ(pm.FindControl(L"VertInstallView")->Tag(), 2000);
    EXPECT_TRUE(static_cast<zui::Option*>(pm.FindControl(L"CheckLicence"))->IsSelected());
    // Without a window the tree is laid out at the scale over the layout's size.
    EXPECT_EQ(RectText(pm.FindControl(L"BtnInstall")->Pos()), "285,363,615,429");
    zui::SkinApp::Term();
}

namespace {

// Paints the manager's tree into a 32-bit DIB and returns its pixels (0x00RRGGBB).
std::vector<uint32_t> PaintOffscreen(zui::SkinPaintManager& pm, int w, int h) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HBITMAP dib = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(dc, dib);
    pm.Paint(dc, RECT{0, 0, w, h});
    std::vector<uint32_t> pixels(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + size_t(w) * h);
    ::SelectObject(dc, old);
    ::DeleteObject(dib);
    ::DeleteDC(dc);
    for (uint32_t& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

bool Bluish(uint32_t rgb) { return (rgb & 0xFF) > 200 && ((rgb >> 16) & 0xFF) < 190; }
bool Pale(uint32_t rgb) { return ((rgb >> 16) & 0xFF) > 210 && ((rgb >> 8) & 0xFF) > 210 && (rgb & 0xFF) > 230; }

} // namespace

TEST(Painting, ProgressFillFollowsTheValueAtEveryScale) {
    const std::string zip = CarriedSkin();
    ASSERT_TRUE(zui::SkinApp::SetResourceZip(zip.data(), zip.size()));
    for (int scale : {100, 150, 200}) {
        zui::SkinPaintManager pm;
        zui::LayoutBuilder builder(zui::SkinApp::Archive(), pm);
        std::unique_ptr<zui::Control> root = builder.Build("Layout/Layout.xml");
        ASSERT_TRUE(root) << builder.Error();
        pm.SetScale(scale);
        pm.AttachRoot(std::move(root));
        static_cast<zui::TabLayout*>(pm.FindControl(L"TabMain"))->SelectItem(1, false);
        auto* bar = static_cast<zui::Progress*>(pm.FindControl(L"ProgressInstall"));
        const RECT r = bar->Pos();
        EXPECT_EQ(RectText(r), RectText(zui::ScaleRect(RECT{70, 380, 530, 396}, scale)));
        const int w = zui::ScaleLength(600, scale), h = zui::ScaleLength(460, scale);
        const int y = (r.top + r.bottom) / 2;
        const int quarter = r.left + (r.right - r.left) / 4, threeQuarters = r.left + 3 * (r.right - r.left) / 4;
        for (int value : {0, 50, 100}) {
            bar->SetValue(value);
            const auto px = PaintOffscreen(pm, w, h);
            auto at = [&](int x) { return px[size_t(y) * w + x]; };
            EXPECT_EQ(Bluish(at(quarter)), value >= 50) << scale << "% value " << value << std::hex << " " << at(quarter);
            EXPECT_EQ(Bluish(at(threeQuarters)), value == 100) << scale << "% value " << value;
            if (value < 100) {
                EXPECT_TRUE(Pale(at(threeQuarters))) << std::hex << at(threeQuarters);
            }
        }
    }
    zui::SkinApp::Term();
}

TEST(LayoutBuilder, ReportsLayoutsThatCannotBeBuilt) {
    const std::string zip = MakeZip({{"bad.xml", "<Window><VerticalLayout>"}, {"odd.xml", "<Window><Gizmo/></Window>"},
                                     {"inc.xml", "<Window><Include source=\"none.xml\"/><Control/></Window>"},
                                     {"empty.xml", "<Window size=\"10,10\"/>"}});
    zui::ZipArchive archive;
    ASSERT_TRUE(archive.Open(zip.data(), zip.size()));
    for (const char* file : {"missing.xml", "bad.xml", "odd.xml", "inc.xml", "empty.xml"}) {
        zui::SkinPaintManager pm;
        zui::LayoutBuilder builder(archive, pm);
        EXPECT_FALSE(builder.Build(file)) << file;
        EXPECT_FALSE(builder.Error().empty()) << file;
    }
}
