// The toolkit's process-wide part: the resource instance, the skin archive
// from memory, the shared image cache, the message loop and the final release.
#pragma once

#include "imageloader.h"
#include "zipreader.h"

#include <windows.h>

namespace zui {

class SkinApp {
public:
    static void SetInstance(HINSTANCE instance);
    static HINSTANCE Instance();
    // The archive's bytes must stay valid while windows use them. A non-empty
    // password is refused (false), as is data that is not a ZIP archive.
    static bool SetResourceZip(const void* data, size_t size, const char* password = "");
    static const ZipArchive& Archive();
    static ImageCache& Images();
    // Runs until WM_QUIT; returns its exit code.
    static int MessageLoop();
    // Releases shared images and GDI+ (GDI+ stays off until SetResourceZip is called again).
    static void Term();
};

} // namespace zui
