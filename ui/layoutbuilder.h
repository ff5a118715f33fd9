// Builds a control tree from an XML layout in the skin archive: the window
// element's attributes, Include, Font and the control elements.
#pragma once

#include "control.h"
#include "zipreader.h"

#include <functional>
#include <memory>
#include <string>

namespace zui {

class SkinPaintManager;

// Makes a control for a class name the toolkit does not know; null to refuse.
using CustomControlFactory = std::function<std::unique_ptr<Control>(const std::wstring& className)>;

// Makes a control of a known class name, or null.
std::unique_ptr<Control> CreateControl(const std::wstring& className);

class LayoutBuilder {
public:
    LayoutBuilder(const ZipArchive& archive, SkinPaintManager& pm) : archive_(archive), pm_(pm) {}
    void SetCustomFactory(CustomControlFactory f) { custom_ = std::move(f); }
    // The root control of the layout, or null with Error() telling why.
    std::unique_ptr<Control> Build(const std::string& skinFile);
    const std::string& Error() const { return error_; }

private:
    bool Include(const std::string& file, int depth);
    std::unique_ptr<Control> BuildNode(const void* node, int depth);

    const ZipArchive& archive_;
    SkinPaintManager& pm_;
    CustomControlFactory custom_;
    std::string error_;
};

} // namespace zui
