// DPI variant choice and image loading from the archive.
#include "imageloader.h"

#include "svgimage.h"

#include <cstdlib>

namespace zui {

ImageChoice ChooseImageVariant(const std::string& file, int scale, const ZipArchive& archive) {
    ImageChoice choice{file, false};
    if (scale == 100) return choice;
    const size_t dot = file.find('.');
    if (dot == std::string::npos) return choice;
    std::string candidate = file.substr(0, dot) + "@" + std::to_string(scale) + file.substr(dot);
    if (file.find(".svg") != std::string::npos || archive.Contains(candidate)) {
        choice.name = candidate;
        choice.candidateTaken = true;
    }
    return choice;
}

ImagePtr ImageCache::Load(const std::string& chosenName) {
    auto it = images_.find(chosenName);
    if (it != images_.end()) return it->second;

    ImagePtr image;
    std::vector<uint8_t> bytes;
    if (chosenName.find(".svg") != std::string::npos) {
        // "@n" between the first "@" and the first "." gives the factor n/100 of the base SVG.
        std::string base = chosenName;
        double factor = 1.0;
        const size_t at = chosenName.find('@'), dot = chosenName.find('.');
        if (at != std::string::npos && dot != std::string::npos && at < dot) {
            factor = std::atoi(chosenName.substr(at + 1, dot - at - 1).c_str()) / 100.0;
            base = chosenName.substr(0, at) + chosenName.substr(dot);
        }
        if (archive_.Read(base, bytes)) image = RenderSvg(bytes, factor);
    } else if (archive_.Read(chosenName, bytes)) {
        image = DecodeRaster(bytes);
    }
    images_[chosenName] = image;   // failures are remembered too
    return image;
}

} // namespace zui
