// Screen-reader access (MSAA): the skinned window's client area as an
// IAccessible whose children are the controls that show text or take input,
// each with its name, role, state, location and default action.
#pragma once

#include <windows.h>

namespace zui {

class SkinPaintManager;

// Answers WM_GETOBJECT for OBJID_CLIENT; returns false for other requests
// (or when oleacc.dll is missing) so the default handling applies.
bool AnswerGetObject(SkinPaintManager& pm, WPARAM wParam, LPARAM lParam, LRESULT& result);

} // namespace zui
