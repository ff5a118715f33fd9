// Image descriptors of a layout: "Image/a.png" or
// "file='Image/a.svg' source='0,0,14,14' source125='...' dest='0,1,14,15'".
#pragma once

#include "imageloader.h"

#include <windows.h>
#include <string>

namespace zui {

struct ImageDesc {
    std::string name;          // the name to load (variant chosen)
    RECT source{0, 0, 0, 0};   // in the loaded image's pixels; empty = whole image
    RECT dest{0, 0, 0, 0};     // in the control, already scaled; empty = whole control
    bool hasSource = false;
    bool hasDest = false;
};

// Parses a descriptor and applies its keys in order at scale s:
// dest is always scaled; source only when the scaled candidate was taken;
// source<s> replaces the source at exactly that scale, unscaled.
// Source rectangles are given as left,top,right,bottom.
bool ParseImageDesc(const std::string& text, int scale, const ZipArchive& archive, ImageDesc& out);

} // namespace zui
