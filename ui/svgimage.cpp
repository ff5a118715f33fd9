// SVG subset renderer. Geometry is transformed to pixels here (viewBox,
// group transforms) and handed to GDI+ as bezier paths, so GDI+ only fills
// and strokes.
#include "svgimage.h"

#include "gdiplusapi.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace zui {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;   // x' = a x + c y + e; y' = b x + d y + f
    void Apply(double x, double y, double& ox, double& oy) const {
        ox = a * x + c * y + e;
        oy = b * x + d * y + f;
    }
    Matrix Then(const Matrix& m) const {   // this first, then m
        Matrix r;
        r.a = m.a * a + m.c * b; r.b = m.b * a + m.d * b;
        r.c = m.a * c + m.c * d; r.d = m.b * c + m.d * d;
        r.e = m.a * e + m.c * f + m.e; r.f = m.b * e + m.d * f + m.f;
        return r;
    }
    double Scale() const { return std::sqrt(std::fabs(a * d - b * c)); }
};

struct Stop { double offset; uint32_t argb; };
struct Gradient {
    double x1 = 0, y1 = 0, x2 = 1, y2 = 0;
    bool userSpace = false;
    std::vector<Stop> stops;
};

struct Paint {
    bool none = true;
    uint32_t argb = 0xFF000000;
    std::string gradient;   // id of a linear gradient, when not empty
};

struct Style {
    Paint fill{false, 0xFF000000, {}};
    Paint stroke;
    double strokeWidth = 1;
    double opacity = 1, fillOpacity = 1, strokeOpacity = 1;
};

// Pixel-space figure list, the input of one GDI+ path.
struct Figure {
    std::vector<double> pts;   // x0,y0 then triples of cubic control points
    bool closed = false;
};

bool ParseColor(std::string v, uint32_t& argb) {
    while (!v.empty() && v.back() == ' ') v.pop_back();
    while (!v.empty() && v.front() == ' ') v.erase(v.begin());
    if (v.empty()) return false;
    if (v[0] == '#') {
        std::string hex = v.substr(1);
        if (hex.size() == 3) hex = {hex[0], hex[0], hex[1], hex[1], hex[2], hex[2]};
        if (hex.size() != 6) return false;
        argb = 0xFF000000u | static_cast<uint32_t>(std::strtoul(hex.c_str(), nullptr, 16));
        return true;
    }
    if (v.rfind("rgb(", 0) == 0) {
        int r = 0, g = 0, b = 0;
        if (std::sscanf(v.c_str(), "rgb(%d,%d,%d)", &r, &g, &b) != 3) return false;
        argb = 0xFF000000u | (r & 255) << 16 | (g & 255) << 8 | (b & 255);
        return true;
    }
    static const std::map<std::string, uint32_t> named = {
        {"black", 0xFF000000}, {"white", 0xFFFFFFFF}, {"red", 0xFFFF0000}, {"green", 0xFF008000},
        {"blue", 0xFF0000FF}, {"gray", 0xFF808080}, {"grey", 0xFF808080}, {"transparent", 0}};
    auto it = named.find(v);
    if (it == named.end()) return false;
    argb = it->second;
    return true;
}

void ParsePaint(const std::string& v, Paint& p) {
    if (v == "none") { p.none = true; return; }
    if (v.rfind("url(#", 0) == 0) {
        p.none = false;
        p.gradient = v.substr(5, v.find(')') - 5);
        return;
    }
    uint32_t c;
    if (ParseColor(v, c)) { p.none = false; p.argb = c; p.gradient.clear(); }
}

double Number(const char* s, double fallback = 0) {
    if (!s || !*s) return fallback;
    char* end = nullptr;
    double v = std::strtod(s, &end);
    if (end && *end == '%') v /= 100;
    return end == s ? fallback : v;
}

// Presentation attributes and the style attribute, applied over the inherited style.
Style ReadStyle(const pugi::xml_node& node, Style s) {
    auto apply = [&s](const std::string& key, const std::string& value) {
        if (key == "fill") ParsePaint(value, s.fill);
        else if (key == "stroke") ParsePaint(value, s.stroke);
        else if (key == "stroke-width") s.strokeWidth = Number(value.c_str(), 1);
        else if (key == "opacity") s.opacity *= Number(value.c_str(), 1);
        else if (key == "fill-opacity") s.fillOpacity = Number(value.c_str(), 1);
        else if (key == "stroke-opacity") s.strokeOpacity = Number(value.c_str(), 1);
    };
    for (const char* key : {"fill", "stroke", "stroke-width", "opacity", "fill-opacity", "stroke-opacity"}) {
        if (auto a = node.attribute(key)) apply(key, a.value());
    }
    std::string style = node.attribute("style").value();
    size_t pos = 0;
    while (pos < style.size()) {
        size_t semi = style.find(';', pos);
        if (semi == std::string::npos) semi = style.size();
        std::string item = style.substr(pos, semi - pos);
        size_t colon = item.find(':');
        if (colon != std::string::npos) {
            auto trim = [](std::string t) {
                while (!t.empty() && t.front() == ' ') t.erase(t.begin());
                while (!t.empty() && t.back() == ' ') t.pop_back();
                return t;
            };
            apply(trim(item.substr(0, colon)), trim(item.substr(colon + 1)));
        }
        pos = semi + 1;
    }
    return s;
}

Matrix ReadTransform(const char* text) {
    Matrix m;
    std::string t = text ? text : "";
    size_t pos = 0;
    while ((pos = t.find_first_not_of(" ,", pos)) != std::string::npos) {
        size_t open = t.find('(', pos), close = t.find(')', pos);
        if (open == std::string::npos || close == std::string::npos) break;
        std::string name = t.substr(pos, open - pos);
        double v[6] = {0, 0, 0, 0, 0, 0};
        int n = 0;
        const char* p = t.c_str() + open + 1;
        while (n < 6) {
            while (*p == ' ' || *p == ',') ++p;
            char* end;
            double x = std::strtod(p, &end);
            if (end == p) break;
            v[n++] = x;
            p = end;
        }
        Matrix step;
        if (name == "translate") { step.e = v[0]; step.f = n > 1 ? v[1] : 0; }
        else if (name == "scale") { step.a = v[0]; step.d = n > 1 ? v[1] : v[0]; }
        else if (name == "matrix" && n == 6) { step = {v[0], v[1], v[2], v[3], v[4], v[5]}; }
        m = step.Then(m);   // later transforms apply first
        pos = close + 1;
    }
    return m;
}

class PathBuilder {
public:
    explicit PathBuilder(const Matrix& m) : m_(m) {}
    void Move(double x, double y) { figures_.push_back({}); Add(x, y); cx_ = sx_ = x; cy_ = sy_ = y; }
    void Line(double x, double y) { Cubic(cx_, cy_, x, y, x, y); }
    void Cubic(double x1, double y1, double x2, double y2, double x, double y) {
        if (figures_.empty()) Move(cx_, cy_);
        Add(x1, y1); Add(x2, y2); Add(x, y);
        cx_ = x; cy_ = y;
    }
    void Close() {
        if (figures_.empty()) return;
        figures_.back().closed = true;
        cx_ = sx_; cy_ = sy_;
    }
    // SVG elliptical arc from the current point to (x, y), as cubic segments.
    void Arc(double rx, double ry, double rotDeg, bool large, bool sweep, double x, double y) {
        double x0 = cx_, y0 = cy_;
        if (rx == 0 || ry == 0) { Line(x, y); return; }
        rx = std::fabs(rx); ry = std::fabs(ry);
        const double phi = rotDeg * kPi / 180, cp = std::cos(phi), sp = std::sin(phi);
        const double dx = (x0 - x) / 2, dy = (y0 - y) / 2;
        const double x1p = cp * dx + sp * dy, y1p = -sp * dx + cp * dy;
        double lambda = x1p * x1p / (rx * rx) + y1p * y1p / (ry * ry);
        if (lambda > 1) { rx *= std::sqrt(lambda); ry *= std::sqrt(lambda); }
        double num = rx * rx * ry * ry - rx * rx * y1p * y1p - ry * ry * x1p * x1p;
        double den = rx * rx * y1p * y1p + ry * ry * x1p * x1p;
        double coef = den == 0 ? 0 : std::sqrt(std::max(0.0, num / den));
        if (large == sweep) coef = -coef;
        const double cxp = coef * rx * y1p / ry, cyp = -coef * ry * x1p / rx;
        const double ccx = cp * cxp - sp * cyp + (x0 + x) / 2, ccy = sp * cxp + cp * cyp + (y0 + y) / 2;
        auto angle = [](double ux, double uy, double vx, double vy) {
            return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
        };
        double t1 = angle(1, 0, (x1p - cxp) / rx, (y1p - cyp) / ry);
        double dt = angle((x1p - cxp) / rx, (y1p - cyp) / ry, (-x1p - cxp) / rx, (-y1p - cyp) / ry);
        if (!sweep && dt > 0) dt -= 2 * kPi;
        if (sweep && dt < 0) dt += 2 * kPi;
        const int segs = static_cast<int>(std::ceil(std::fabs(dt) / (kPi / 2) - 1e-9));
        const double step = dt / std::max(segs, 1);
        const double k = 4.0 / 3 * std::tan(step / 4);
        auto point = [&](double t, double& px, double& py) {
            px = ccx + rx * std::cos(t) * cp - ry * std::sin(t) * sp;
            py = ccy + rx * std::cos(t) * sp + ry * std::sin(t) * cp;
        };
        auto deriv = [&](double t, double& px, double& py) {
            px = -rx * std::sin(t) * cp - ry * std::cos(t) * sp;
            py = -rx * std::sin(t) * sp + ry * std::cos(t) * cp;
        };
        for (int i = 0; i < segs; ++i) {
            double a = t1 + i * step, b = a + step;
            double ax, ay, bx, by, dax, day, dbx, dby;
            point(a, ax, ay); point(b, bx, by); deriv(a, dax, day); deriv(b, dbx, dby);
            if (i == segs - 1) { bx = x; by = y; }
            Cubic(ax + k * dax, ay + k * day, bx - k * dbx, by - k * dby, bx, by);
        }
    }
    double X() const { return cx_; }
    double Y() const { return cy_; }
    const std::vector<Figure>& Figures() const { return figures_; }

private:
    void Add(double x, double y) {
        double px, py;
        m_.Apply(x, y, px, py);
        figures_.back().pts.push_back(px);
        figures_.back().pts.push_back(py);
    }
    Matrix m_;
    std::vector<Figure> figures_;
    double cx_ = 0, cy_ = 0, sx_ = 0, sy_ = 0;
};

void ParsePathData(const std::string& d, PathBuilder& pb) {
    const char* p = d.c_str();
    char cmd = 0;
    double lastCx = 0, lastCy = 0;   // reflected control point for S and T
    char lastCmd = 0;
    auto skip = [&p] { while (*p == ' ' || *p == ',' || *p == '\n' || *p == '\r' || *p == '\t') ++p; };
    auto num = [&](double& v) {
        skip();
        char* end;
        v = std::strtod(p, &end);
        if (end == p) return false;
        p = end;
        return true;
    };
    auto flag = [&](bool& v) {
        skip();
        if (*p != '0' && *p != '1') return false;
        v = *p++ == '1';
        return true;
    };
    for (;;) {
        skip();
        if (!*p) break;
        if (std::isalpha(static_cast<unsigned char>(*p))) cmd = *p++;
        else if (!cmd) break;
        const bool rel = std::islower(static_cast<unsigned char>(cmd));
        const double ox = rel ? pb.X() : 0, oy = rel ? pb.Y() : 0;
        const char up = static_cast<char>(std::toupper(cmd));
        double v[7];
        bool ok = true;
        switch (up) {
        case 'M':
            ok = num(v[0]) && num(v[1]);
            if (ok) { pb.Move(ox + v[0], oy + v[1]); cmd = rel ? 'l' : 'L'; }
            break;
        case 'L': ok = num(v[0]) && num(v[1]); if (ok) pb.Line(ox + v[0], oy + v[1]); break;
        case 'H': ok = num(v[0]); if (ok) pb.Line(ox + v[0], pb.Y()); break;
        case 'V': ok = num(v[0]); if (ok) pb.Line(pb.X(), oy + v[0]); break;
        case 'C':
            ok = num(v[0]) && num(v[1]) && num(v[2]) && num(v[3]) && num(v[4]) && num(v[5]);
            if (ok) {
                pb.Cubic(ox + v[0], oy + v[1], ox + v[2], oy + v[3], ox + v[4], oy + v[5]);
                lastCx = ox + v[2]; lastCy = oy + v[3];
            }
            break;
        case 'S': {
            ok = num(v[2]) && num(v[3]) && num(v[4]) && num(v[5]);
            if (!ok) break;
            double x1 = pb.X(), y1 = pb.Y();
            if (lastCmd == 'C' || lastCmd == 'S') { x1 = 2 * pb.X() - lastCx; y1 = 2 * pb.Y() - lastCy; }
            pb.Cubic(x1, y1, ox + v[2], oy + v[3], ox + v[4], oy + v[5]);
            lastCx = ox + v[2]; lastCy = oy + v[3];
            break;
        }
        case 'Q': case 'T': {
            double qx, qy;
            if (up == 'Q') {
                ok = num(v[0]) && num(v[1]) && num(v[2]) && num(v[3]);
                qx = ox + v[0]; qy = oy + v[1];
            } else {
                ok = num(v[2]) && num(v[3]);
                qx = pb.X(); qy = pb.Y();
                if (lastCmd == 'Q' || lastCmd == 'T') { qx = 2 * pb.X() - lastCx; qy = 2 * pb.Y() - lastCy; }
            }
            if (!ok) break;
            const double x0 = pb.X(), y0 = pb.Y(), x = ox + v[2], y = oy + v[3];
            pb.Cubic(x0 + 2.0 / 3 * (qx - x0), y0 + 2.0 / 3 * (qy - y0),
                     x + 2.0 / 3 * (qx - x), y + 2.0 / 3 * (qy - y), x, y);
            lastCx = qx; lastCy = qy;
            break;
        }
        case 'A': {
            bool large, sweep;
            ok = num(v[0]) && num(v[1]) && num(v[2]) && flag(large) && flag(sweep) && num(v[3]) && num(v[4]);
            if (ok) pb.Arc(v[0], v[1], v[2], large, sweep, ox + v[3], oy + v[4]);
            break;
        }
        case 'Z': pb.Close(); break;
        default: ok = false;
        }
        if (!ok) break;
        lastCmd = up;
    }
}

void RoundedRect(PathBuilder& pb, double x, double y, double w, double h, double rx, double ry) {
    rx = std::min(rx, w / 2);
    ry = std::min(ry, h / 2);
    if (rx <= 0 || ry <= 0) {
        pb.Move(x, y); pb.Line(x + w, y); pb.Line(x + w, y + h); pb.Line(x, y + h); pb.Close();
        return;
    }
    pb.Move(x + rx, y);
    pb.Line(x + w - rx, y);
    pb.Arc(rx, ry, 0, false, true, x + w, y + ry);
    pb.Line(x + w, y + h - ry);
    pb.Arc(rx, ry, 0, false, true, x + w - rx, y + h);
    pb.Line(x + rx, y + h);
    pb.Arc(rx, ry, 0, false, true, x, y + h - ry);
    pb.Line(x, y + ry);
    pb.Arc(rx, ry, 0, false, true, x + rx, y);
    pb.Close();
}

void Ellipse(PathBuilder& pb, double cx, double cy, double rx, double ry) {
    pb.Move(cx + rx, cy);
    pb.Arc(rx, ry, 0, false, true, cx - rx, cy);
    pb.Arc(rx, ry, 0, false, true, cx + rx, cy);
    pb.Close();
}

uint32_t WithOpacity(uint32_t argb, double opacity) {
    const double a = ((argb >> 24) & 255) * std::clamp(opacity, 0.0, 1.0);
    return static_cast<uint32_t>(std::lround(a)) << 24 | (argb & 0xFFFFFF);
}

class Renderer {
public:
    Renderer(const GdiPlusApi& g, Gdiplus::GpGraphics* graphics) : g_(g), graphics_(graphics) {}

    void CollectGradients(const pugi::xml_node& root) {
        for (auto node : root.select_nodes("//linearGradient")) {
            pugi::xml_node n = node.node();
            Gradient gr;
            gr.x1 = Number(n.attribute("x1").value(), 0);
            gr.y1 = Number(n.attribute("y1").value(), 0);
            gr.x2 = Number(n.attribute("x2").value(), 1);
            gr.y2 = Number(n.attribute("y2").value(), 0);
            gr.userSpace = std::strcmp(n.attribute("gradientUnits").value(), "userSpaceOnUse") == 0;
            for (auto s : n.children("stop")) {
                Style st;
                st.fill.none = true;
                uint32_t color = 0xFF000000;
                ParseColor(s.attribute("stop-color").value(), color);
                double opacity = Number(s.attribute("stop-opacity").value(), 1);
                std::string style = s.attribute("style").value();
                size_t c = style.find("stop-color:");
                if (c != std::string::npos) ParseColor(style.substr(c + 11, style.find(';', c) - c - 11), color);
                size_t o = style.find("stop-opacity:");
                if (o != std::string::npos) opacity = Number(style.c_str() + o + 13, 1);
                gr.stops.push_back({Number(s.attribute("offset").value(), 0), WithOpacity(color, opacity)});
            }
            gradients_[n.attribute("id").value()] = gr;
        }
    }

    void Draw(const pugi::xml_node& node, const Matrix& m, const Style& inherited) {
        const std::string name = node.name();
        if (name == "defs" || name == "linearGradient" || name == "title" || name == "desc") return;
        Style s = ReadStyle(node, inherited);
        Matrix local = ReadTransform(node.attribute("transform").value()).Then(m);
        if (name == "g" || name == "svg") {
            for (auto child : node.children()) Draw(child, local, s);
            return;
        }
        PathBuilder pb(local);
        auto a = [&node](const char* key) { return Number(node.attribute(key).value(), 0); };
        if (name == "rect") {
            double rx = a("rx"), ry = a("ry");
            if (!node.attribute("ry")) ry = rx;
            if (!node.attribute("rx")) rx = ry;
            RoundedRect(pb, a("x"), a("y"), a("width"), a("height"), rx, ry);
        } else if (name == "circle") {
            Ellipse(pb, a("cx"), a("cy"), a("r"), a("r"));
        } else if (name == "ellipse") {
            Ellipse(pb, a("cx"), a("cy"), a("rx"), a("ry"));
        } else if (name == "line") {
            pb.Move(a("x1"), a("y1"));
            pb.Line(a("x2"), a("y2"));
            s.fill.none = true;
        } else if (name == "path") {
            ParsePathData(node.attribute("d").value(), pb);
        } else {
            return;
        }
        Fill(pb, s, local);
    }

private:
    void Fill(const PathBuilder& pb, const Style& s, const Matrix& m) {
        Gdiplus::GpPath* path = nullptr;
        if (g_.GdipCreatePath(Gdiplus::FillModeWinding, &path) != Gdiplus::Ok) return;
        double minX = 1e30, minY = 1e30, maxX = -1e30, maxY = -1e30;
        for (const Figure& f : pb.Figures()) {
            g_.GdipStartPathFigure(path);
            const auto& p = f.pts;
            for (size_t i = 0; i + 1 < p.size(); i += 2) {
                minX = std::min(minX, p[i]); maxX = std::max(maxX, p[i]);
                minY = std::min(minY, p[i + 1]); maxY = std::max(maxY, p[i + 1]);
            }
            for (size_t i = 2; i + 5 < p.size(); i += 6) {
                g_.GdipAddPathBezier(path, float(p[i - 2]), float(p[i - 1]), float(p[i]), float(p[i + 1]),
                                     float(p[i + 2]), float(p[i + 3]), float(p[i + 4]), float(p[i + 5]));
            }
            if (f.closed) g_.GdipClosePathFigure(path);
        }
        if (!s.fill.none) {
            if (Gdiplus::GpBrush* brush = MakeBrush(s.fill, s.opacity * s.fillOpacity, m, minX, minY, maxX, maxY)) {
                g_.GdipFillPath(graphics_, brush, path);
                g_.GdipDeleteBrush(brush);
            }
        }
        if (!s.stroke.none && s.strokeWidth > 0) {
            Gdiplus::GpPen* pen = nullptr;
            const uint32_t color = WithOpacity(s.stroke.argb, s.opacity * s.strokeOpacity);
            if (g_.GdipCreatePen1(color, float(s.strokeWidth * m.Scale()), Gdiplus::UnitPixel, &pen) == Gdiplus::Ok) {
                g_.GdipDrawPath(graphics_, pen, path);
                g_.GdipDeletePen(pen);
            }
        }
        g_.GdipDeletePath(path);
    }

    Gdiplus::GpBrush* MakeBrush(const Paint& p, double opacity, const Matrix& m,
                                double minX, double minY, double maxX, double maxY) {
        auto it = p.gradient.empty() ? gradients_.end() : gradients_.find(p.gradient);
        if (it == gradients_.end() || it->second.stops.empty()) {
            if (!p.gradient.empty()) return nullptr;
            Gdiplus::GpSolidFill* brush = nullptr;
            g_.GdipCreateSolidFill(WithOpacity(p.argb, opacity), &brush);
            return brush;
        }
        const Gradient& gr = it->second;
        double x1, y1, x2, y2;
        if (gr.userSpace) {
            m.Apply(gr.x1, gr.y1, x1, y1);
            m.Apply(gr.x2, gr.y2, x2, y2);
        } else {
            x1 = minX + gr.x1 * (maxX - minX); y1 = minY + gr.y1 * (maxY - minY);
            x2 = minX + gr.x2 * (maxX - minX); y2 = minY + gr.y2 * (maxY - minY);
        }
        if (x1 == x2 && y1 == y2) x2 += 0.01;
        std::vector<Stop> stops = gr.stops;
        if (stops.front().offset > 0) stops.insert(stops.begin(), {0, stops.front().argb});
        if (stops.back().offset < 1) stops.push_back({1, stops.back().argb});
        std::vector<Gdiplus::ARGB> colors;
        std::vector<Gdiplus::REAL> positions;
        for (const Stop& s : stops) {
            colors.push_back(WithOpacity(s.argb, opacity));
            positions.push_back(float(std::clamp(s.offset, 0.0, 1.0)));
        }
        Gdiplus::GpPointF a{float(x1), float(y1)}, b{float(x2), float(y2)};
        Gdiplus::GpLineGradient* brush = nullptr;
        if (g_.GdipCreateLineBrush(&a, &b, colors.front(), colors.back(), Gdiplus::WrapModeTileFlipXY, &brush) != Gdiplus::Ok) {
            return nullptr;
        }
        if (colors.size() > 2) g_.GdipSetLinePresetBlend(brush, colors.data(), positions.data(), int(colors.size()));
        return brush;
    }

    const GdiPlusApi& g_;
    Gdiplus::GpGraphics* graphics_;
    std::map<std::string, Gradient> gradients_;
};

} // namespace

ImagePtr RenderSvg(const std::vector<uint8_t>& bytes, double factor) {
    const GdiPlusApi* g = Gdip();
    if (!g || factor <= 0) return nullptr;
    pugi::xml_document doc;
    if (!doc.load_buffer(bytes.data(), bytes.size())) return nullptr;
    pugi::xml_node svg = doc.child("svg");
    if (!svg) return nullptr;
    double w = Number(svg.attribute("width").value(), 0), h = Number(svg.attribute("height").value(), 0);
    double vx = 0, vy = 0, vw = w, vh = h;
    if (auto vb = svg.attribute("viewBox")) {
        std::sscanf(vb.value(), "%lf%*[ ,]%lf%*[ ,]%lf%*[ ,]%lf", &vx, &vy, &vw, &vh);
        if (w <= 0) w = vw;
        if (h <= 0) h = vh;
    }
    if (w <= 0 || h <= 0 || vw <= 0 || vh <= 0) return nullptr;
    const int pw = std::max(1, static_cast<int>(std::lround(w * factor)));
    const int ph = std::max(1, static_cast<int>(std::lround(h * factor)));

    auto image = std::make_shared<Image>(pw, ph);
    image->Frames().push_back({std::vector<uint8_t>(size_t(pw) * ph * 4, 0), 0});
    Gdiplus::GpBitmap* bitmap = image->Bitmap(0);
    Gdiplus::GpGraphics* graphics = nullptr;
    if (!bitmap || g->GdipGetImageGraphicsContext(bitmap, &graphics) != Gdiplus::Ok) return nullptr;
    g->GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeAntiAlias);
    g->GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf);

    Matrix m;   // viewBox to pixels
    m.a = pw / vw; m.d = ph / vh;
    m.e = -vx * m.a; m.f = -vy * m.d;
    Renderer r(*g, graphics);
    r.CollectGradients(svg);
    Style base;
    for (auto child : svg.children()) r.Draw(child, m, ReadStyle(svg, base));
    g->GdipDeleteGraphics(graphics);
    return image;
}

} // namespace zui
