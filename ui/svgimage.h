// Renders the SVG subset skins use, on GDI+: rect (rounded), circle, ellipse,
// line, path (M L H V C S Q T A Z, absolute and relative), groups with
// translate/scale, fill and stroke with solid colours or linear gradients, opacity.
#pragma once

#include "image.h"

#include <string>

namespace zui {

// Renders the document at factor (1.0 = its own width and height in pixels).
// Returns null when the text is not an SVG document or GDI+ is missing.
ImagePtr RenderSvg(const std::vector<uint8_t>& bytes, double factor);

} // namespace zui
