// Lua_MsgBox shows a message box and returns the button pressed; Lua_Logout
// writes a text to the debug trace and, when it is set up, the install log.
#include "scriptmessages.h"

#include <windows.h>
#include <string>

#include "scriptargs.h"
#include "../base/textconv.h"
#include "../../../jvpublic/jvbase/jvbaselog.h"
#include "../../../jvpublic/jvbase/trace.h"

namespace zrl::script {

// Lua_MsgBox(text [, caption [, type]]); no argument or more than three shows
// an empty OK box.
int Lua_MsgBox(lua_State* L) {
    const int count = lua_gettop(L);
    std::wstring text, caption;
    UINT type = 0;
    if (count >= 1 && count <= 3) {
        text = ArgText(L, 1);
        if (count >= 2) caption = ArgText(L, 2);
        if (count == 3) type = static_cast<UINT>(lua_tounsignedx(L, 3, nullptr));
    }
    const int button = ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), type);
    lua_pushnumber(L, button);
    return 1;
}

// Lua_Logout(text): the text as it is on the trace; "log:" and the text in the
// ANSI code page as an information line of the install log.
int Lua_Logout(lua_State* L) {
    const std::wstring text = ArgText(L, 1);
    TRACE(L"%s", text.c_str());
    LOG_INFO("log:{}", WideToAnsi(text));
    return 0;
}

} // namespace zrl::script
