// Image descriptor parsing.
#include "imagedesc.h"

#include "dpi.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace zui {
namespace {

bool ParseRect(const std::string& v, RECT& r) {
    long l, t, rt, b;
    if (std::sscanf(v.c_str(), "%ld,%ld,%ld,%ld", &l, &t, &rt, &b) != 4) return false;
    r = RECT{l, t, rt, b};
    return true;
}

// key='value' pairs in order; a bare text is the file name.
std::vector<std::pair<std::string, std::string>> Keys(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> keys;
    if (text.find('=') == std::string::npos) {
        keys.emplace_back("file", text);
        return keys;
    }
    size_t pos = 0;
    while (pos < text.size()) {
        size_t eq = text.find('=', pos);
        if (eq == std::string::npos) break;
        std::string key = text.substr(pos, eq - pos);
        while (!key.empty() && key.front() == ' ') key.erase(key.begin());
        while (!key.empty() && key.back() == ' ') key.pop_back();
        size_t open = text.find_first_of("'\"", eq);
        if (open == std::string::npos) break;
        size_t close = text.find(text[open], open + 1);
        if (close == std::string::npos) break;
        keys.emplace_back(key, text.substr(open + 1, close - open - 1));
        pos = close + 1;
    }
    return keys;
}

// A rectangle in l,t,r,b form scaled through its width and height.
RECT ScaleLtrb(const RECT& r, int scale) { return ScaleRect(r, scale); }

} // namespace

bool ParseImageDesc(const std::string& text, int scale, const ZipArchive& archive, ImageDesc& out) {
    out = ImageDesc{};
    bool taken = false;
    const std::string exact = "source" + std::to_string(scale);
    auto keys = Keys(text);
    // The file decides whether sources scale, wherever it stands in the descriptor.
    for (const auto& [key, value] : keys) {
        if (key == "file") {
            ImageChoice c = ChooseImageVariant(value, scale, archive);
            out.name = c.name;
            taken = c.candidateTaken;
        }
    }
    if (out.name.empty()) return false;
    for (const auto& [key, value] : keys) {
        RECT r;
        if (key == "dest" && ParseRect(value, r)) {
            out.dest = ScaleLtrb(r, scale);
            out.hasDest = true;
        } else if (key == "source" && ParseRect(value, r)) {
            out.source = taken ? ScaleLtrb(r, scale) : r;
            out.hasSource = true;
        } else if (scale != 100 && key == exact && ParseRect(value, r)) {
            out.source = r;
            out.hasSource = true;
        }
    }
    return true;
}

} // namespace zui
