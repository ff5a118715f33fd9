// Helpers shared by the file, process and shortcut script functions.
#include "scriptfilehelpers.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

#include "scriptargs.h"

namespace zrl::script {

std::wstring LastArgText(lua_State* L) {
    const int top = lua_gettop(L);
    return top > 0 ? ArgText(L, top) : std::wstring();
}

std::wstring ParentOf(const std::wstring& path) {
    std::vector<wchar_t> buffer(path.begin(), path.end());
    buffer.push_back(L'\0');
    ::PathRemoveFileSpecW(buffer.data());
    return buffer.data();
}

} // namespace zrl::script
