// Argument reading, result pushing and path expansion for script functions.
#include "scriptargs.h"

#include <windows.h>

#include "../base/textconv.h"
#include "../../../jvpublic/jvbase/trace.h"

namespace zrl::script {

std::string ArgBytes(lua_State* L, int index) {
    const int type = lua_type(L, index);
    if (type != LUA_TSTRING && type != LUA_TNUMBER) return {};
    size_t length = 0;
    // lua_tolstring turns a number into a string in place; the value is a copy for
    // strings and numbers alike, so the caller's stack is not disturbed otherwise.
    lua_pushvalue(L, index);
    const char* bytes = lua_tolstring(L, -1, &length);
    std::string value(bytes, length);
    lua_pop(L, 1);
    return value;
}

std::wstring ArgText(lua_State* L, int index) { return Utf8ToWide(ArgBytes(L, index)); }

lua_Integer ArgInteger(lua_State* L, int index) { return lua_tointegerx(L, index, nullptr); }

lua_Number ArgNumber(lua_State* L, int index) { return lua_tonumberx(L, index, nullptr); }

void PushText(lua_State* L, const std::wstring& text) {
    const std::string utf8 = WideToUtf8(text);
    lua_pushlstring(L, utf8.data(), utf8.size());
}

bool ExpandPath(const wchar_t* function, const std::wstring& path, std::wstring& expanded) {
    wchar_t buffer[kPathUnits];
    const DWORD needed = ::ExpandEnvironmentStringsW(path.c_str(), buffer, kPathUnits);
    if (needed == 0 && !path.empty()) {
        expanded.clear();
        return true;
    }
    if (needed > kPathUnits) {
        TRACE(L"Fun:%s, Description:path too long after expansion (%u units), refused\r\n",
              function, static_cast<unsigned>(needed));
        expanded.clear();
        return false;
    }
    expanded = path.empty() ? std::wstring() : std::wstring(buffer);
    return true;
}

void TraceNotExists(const wchar_t* function, const std::wstring& path) {
    TRACE(L"Fun:%s, Description:%s it's not exists!\r\n", function, path.c_str());
}

} // namespace zrl::script
