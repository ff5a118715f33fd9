// Image names to images: the DPI variant rules and a cache of decoded images.
#pragma once

#include "image.h"
#include "zipreader.h"

#include <map>
#include <string>

namespace zui {

// The name actually loaded for `file` at scale s, and whether a scaled
// candidate was taken. SVG candidates are always taken; PNG (and other
// raster) candidates only when the archive holds them; none at 100.
struct ImageChoice {
    std::string name;
    bool candidateTaken = false;
};
ImageChoice ChooseImageVariant(const std::string& file, int scale, const ZipArchive& archive);

class ImageCache {
public:
    explicit ImageCache(const ZipArchive& archive) : archive_(archive) {}
    // Loads a chosen name: "x@150.svg" renders x.svg at 1.5; raster names are decoded as they are.
    ImagePtr Load(const std::string& chosenName);
    void Clear() { images_.clear(); }

private:
    const ZipArchive& archive_;
    std::map<std::string, ImagePtr> images_;
};

} // namespace zui
