// XML layout parsing with pugixml.
#include "layoutbuilder.h"

#include "containers.h"
#include "controls.h"
#include "paintmanager.h"
#include "richedit.h"
#include "zrlsetup/utility/base/textconv.h"

#include <pugixml.hpp>

namespace zui {
namespace {

std::wstring W(const char* s) { return zrl::Utf8ToWide(s); }

constexpr int kMaxDepth = 64;

void AddFont(const pugi::xml_node& node, SkinPaintManager& pm) {
    FontDef def;
    if (auto a = node.attribute("name")) def.face = W(a.value());
    def.size = node.attribute("size").as_int(12);
    def.bold = node.attribute("bold").as_bool();
    def.underline = node.attribute("underline").as_bool();
    def.italic = node.attribute("italic").as_bool();
    def.shared = node.attribute("shared").as_bool();
    pm.Fonts().Add(node.attribute("id").as_int(-1), def, node.attribute("default").as_bool());
}

} // namespace

std::unique_ptr<Control> CreateControl(const std::wstring& c) {
    if (c == L"Control") return std::make_unique<Control>();
    if (c == L"Container") return std::make_unique<Container>();
    if (c == L"VerticalLayout") return std::make_unique<VerticalLayout>();
    if (c == L"HorizontalLayout") return std::make_unique<HorizontalLayout>();
    if (c == L"TabLayout") return std::make_unique<TabLayout>();
    if (c == L"Label" || c == L"Text") return std::make_unique<Label>();
    if (c == L"Button") return std::make_unique<Button>();
    if (c == L"Option" || c == L"CheckBox") return std::make_unique<Option>();
    if (c == L"Progress") return std::make_unique<Progress>();
    if (c == L"RichEdit" || c == L"Edit") return std::make_unique<RichEdit>();
    return nullptr;
}

// Font elements and window attributes of an included file; controls there are not taken.
bool LayoutBuilder::Include(const std::string& file, int depth) {
    std::vector<uint8_t> bytes;
    if (depth > 8 || !archive_.Read(file, bytes)) {
        error_ = "cannot read " + file;
        return false;
    }
    pugi::xml_document doc;
    if (!doc.load_buffer(bytes.data(), bytes.size())) {
        error_ = "bad XML in " + file;
        return false;
    }
    for (pugi::xml_node node : doc.document_element().children()) {
        const std::string name = node.name();
        if (name == "Font") {
            AddFont(node, pm_);
        } else if (name == "Include") {
            if (!Include(node.attribute("source").value(), depth + 1)) return false;
        }
    }
    return true;
}

std::unique_ptr<Control> LayoutBuilder::BuildNode(const void* raw, int depth) {
    const pugi::xml_node& node = *static_cast<const pugi::xml_node*>(raw);
    if (depth > kMaxDepth) { error_ = "layout nested too deep"; return nullptr; }
    const std::wstring className = W(node.name());
    std::unique_ptr<Control> control = CreateControl(className);
    if (!control && custom_) control = custom_(className);
    if (!control) { error_ = "unknown control class " + std::string(node.name()); return nullptr; }
    for (pugi::xml_attribute a : node.attributes()) control->SetAttribute(W(a.name()), W(a.value()));
    if (Container* container = control->AsContainer()) {
        for (pugi::xml_node child : node.children()) {
            if (child.type() != pugi::node_element) continue;
            std::unique_ptr<Control> c = BuildNode(&child, depth + 1);
            if (!c) return nullptr;
            container->Add(std::move(c));
        }
    }
    return control;
}

std::unique_ptr<Control> LayoutBuilder::Build(const std::string& skinFile) {
    std::vector<uint8_t> bytes;
    if (!archive_.Read(skinFile, bytes)) { error_ = "cannot read " + skinFile; return nullptr; }
    pugi::xml_document doc;
    pugi::xml_parse_result parsed = doc.load_buffer(bytes.data(), bytes.size());
    if (!parsed) { error_ = std::string("bad XML: ") + parsed.description(); return nullptr; }
    pugi::xml_node window = doc.child("Window");
    if (!window) { error_ = "no Window element"; return nullptr; }

    for (pugi::xml_attribute a : window.attributes()) pm_.SetWindowAttribute(W(a.name()), W(a.value()));
    std::unique_ptr<Control> root;
    for (pugi::xml_node node : window.children()) {
        if (node.type() != pugi::node_element) continue;
        const std::string name = node.name();
        if (name == "Include") {
            if (!Include(node.attribute("source").value(), 0)) return nullptr;
        } else if (name == "Font") {
            AddFont(node, pm_);
        } else if (!root) {
            root = BuildNode(&node, 0);
            if (!root) return nullptr;
        }
    }
    if (!root) error_ = "the layout has no control";
    return root;
}

} // namespace zui
