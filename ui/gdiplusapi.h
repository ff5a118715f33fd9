// GDI+ loaded at run time from System32, so that gdiplus.dll never appears
// in a binary's import table (it is not a KnownDLL and could be planted).
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

namespace zui {

namespace gp = Gdiplus::DllExports;

#define ZUI_GDIPLUS_FUNCTIONS(X) \
    X(GdipCreateFromHDC) X(GdipDeleteGraphics) X(GdipSetSmoothingMode) X(GdipSetTextRenderingHint) \
    X(GdipSetPixelOffsetMode) X(GdipSetInterpolationMode) X(GdipSetClipRectI) X(GdipResetClip) \
    X(GdipSetWorldTransform) X(GdipResetWorldTransform) X(GdipScaleWorldTransform) \
    X(GdipCreateMatrix2) X(GdipDeleteMatrix) \
    X(GdipCreatePath) X(GdipDeletePath) X(GdipAddPathLine) X(GdipAddPathBezier) X(GdipAddPathArc) \
    X(GdipAddPathRectangle) X(GdipAddPathEllipse) X(GdipClosePathFigure) X(GdipStartPathFigure) \
    X(GdipFillPath) X(GdipDrawPath) X(GdipFillRectangleI) \
    X(GdipCreateSolidFill) X(GdipCreateLineBrush) X(GdipSetLinePresetBlend) X(GdipDeleteBrush) \
    X(GdipCreatePen1) X(GdipDeletePen) \
    X(GdipCreateBitmapFromScan0) X(GdipGetImageGraphicsContext) X(GdipDisposeImage) \
    X(GdipDrawImageRectRectI) \
    X(GdipCreateFontFromLogfontW) X(GdipDeleteFont) \
    X(GdipCreateStringFormat) X(GdipDeleteStringFormat) X(GdipSetStringFormatAlign) \
    X(GdipSetStringFormatLineAlign) X(GdipSetStringFormatFlags) X(GdipSetStringFormatTrimming) \
    X(GdipDrawString) X(GdipMeasureString)

// The GDI+ entry points, resolved once by GdiPlus::Load.
struct GdiPlusApi {
    decltype(&Gdiplus::GdiplusStartup) GdiplusStartup = nullptr;
    decltype(&Gdiplus::GdiplusShutdown) GdiplusShutdown = nullptr;
#define ZUI_DECLARE(name) decltype(&gp::name) name = nullptr;
    ZUI_GDIPLUS_FUNCTIONS(ZUI_DECLARE)
#undef ZUI_DECLARE
};

// Loads gdiplus.dll and starts GDI+ on first use; returns null when it is missing.
const GdiPlusApi* Gdip();
// Shuts GDI+ down and frees the library (at toolkit termination). Objects still
// alive then (a window object destroyed later) release only their GDI parts.
void ShutdownGdiPlus();
// Lets Gdip() start GDI+ again after a shutdown (the toolkit is set up anew).
void AllowGdiPlus();

} // namespace zui
