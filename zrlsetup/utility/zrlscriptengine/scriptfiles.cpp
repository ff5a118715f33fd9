// File-system script functions: directories, shell copies, moves and deletes,
// renames, scratch and unique names, environment expansion and shell-folder
// variables. The recursive deletes live in scriptfiletree.cpp.
#include "scriptfiles.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "scriptargs.h"
#include "scriptfilehelpers.h"
#include "../../zrlinstaller/exitcodes.h"
#include "../../../jvpublic/jvbase/trace.h"

namespace zrl::script {
namespace {

constexpr FILEOP_FLAGS kCopyFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
constexpr FILEOP_FLAGS kMoveFlags = kCopyFlags | FOF_NOERRORUI;
constexpr FILEOP_FLAGS kDeleteFlags = FOF_SILENT | FOF_NOCONFIRMATION;
constexpr FILEOP_FLAGS kQuietDeleteFlags = kCopyFlags | FOF_NOERRORUI;

int ShellFileOperation(UINT operation, const std::wstring& from, const std::wstring* to, FILEOP_FLAGS flags) {
    const std::wstring fromList = DoubleZeroTerminated(from);
    const std::wstring toList = to ? DoubleZeroTerminated(*to) : std::wstring();
    SHFILEOPSTRUCTW op{};
    op.hwnd = nullptr;
    op.wFunc = operation;
    op.pFrom = fromList.c_str();
    op.pTo = to ? toList.c_str() : nullptr;
    op.fFlags = flags;
    return ::SHFileOperationW(&op);
}

// Copy and move share everything but the operation, the flags and the wording.
int CopyOrMove(lua_State* L, const wchar_t* function, UINT operation, FILEOP_FLAGS flags, const wchar_t* verb) {
    std::wstring source, destination;
    if (!ExpandPath(function, ArgText(L, 1), source)) {
        lua_pushboolean(L, 0);
        return 1;
    }
    if (!::PathFileExistsW(source.c_str())) {
        TraceNotExists(function, source);
        lua_pushboolean(L, 0);
        return 1;
    }
    if (!ExpandPath(function, ArgText(L, 2), destination)) {
        lua_pushboolean(L, 0);
        return 1;
    }
    const int result = ShellFileOperation(operation, source, &destination, flags);
    if (result != 0) {
        TRACE(L"%s %s to %s failed!", verb, source.c_str(), destination.c_str());
        TRACE(L"SHFileOperation error code : %#x\r\n", result);
        lua_pushboolean(L, 0);
        return 1;
    }
    TRACE(L"%s %s to %s !", verb, source.c_str(), destination.c_str());
    lua_pushboolean(L, 1);
    return 1;
}

// The shell's deletion of a file or tree, with the user asked what to do when it fails.
// Returns the script result; Abort ends the process.
bool DeleteAsking(const std::wstring& argument) {
    for (;;) {
        std::wstring path;
        if (!ExpandPath(L"Lua_DeleteFile", argument, path)) return false;
        if (!::PathFileExistsW(path.c_str())) return true;
        const int result = ShellFileOperation(FO_DELETE, path, nullptr, kDeleteFlags);
        if (result == 0) return true;

        wchar_t text[1024];
        _snwprintf(text, ARRAYSIZE(text) - 1,
                   L"无法删除\"%s\"，可能是被占用，请关闭占用程序后点击重试或者点击忽略在卸载完成之后手动删除！",
                   path.c_str());
        text[ARRAYSIZE(text) - 1] = L'\0';
        const int answer = ::MessageBoxW(nullptr, text, L"提示", MB_ICONQUESTION | MB_ABORTRETRYIGNORE);
        if (answer == IDABORT) ::ExitProcess(zrl::exitcode::kUserCancelled);
        if (answer == IDRETRY) continue;
        TRACE(L"Delete %s failed!\r\n", path.c_str());
        TRACE(L"SHFileOperation error code : %#x\r\n", result);
        return answer == IDIGNORE;
    }
}

} // namespace

int Lua_CreateDirectory(lua_State* L) {
    std::wstring path;
    if (!ExpandPath(L"Lua_CreateDirectory", ArgText(L, 1), path)) {
        lua_pushboolean(L, 0);
        return 1;
    }
    if (::PathFileExistsW(path.c_str())) {
        lua_pushboolean(L, 1);
        return 1;
    }
    ::SHCreateDirectory(nullptr, path.c_str());
    if (::PathFileExistsW(path.c_str())) {
        TRACE(L"Create Directory %s!\r\n", path.c_str());
        lua_pushboolean(L, 1);
    } else {
        TraceNotExists(L"Lua_CreateDirectory", path);
        lua_pushboolean(L, 0);
    }
    return 1;
}

int Lua_CopyFile(lua_State* L) { return CopyOrMove(L, L"Lua_CopyFile", FO_COPY, kCopyFlags, L"Copy"); }

int Lua_MoveFile(lua_State* L) { return CopyOrMove(L, L"Lua_MoveFile", FO_MOVE, kMoveFlags, L"Move"); }

int Lua_RenameFile(lua_State* L) {
    std::wstring source, destination;
    bool ok = ExpandPath(L"Lua_RenameFile", ArgText(L, 1), source);
    if (ok && !::PathFileExistsW(source.c_str())) {
        TraceNotExists(L"Lua_RenameFile", source);
        ok = false;
    }
    if (ok) ok = ExpandPath(L"Lua_RenameFile", ArgText(L, 2), destination);
    if (ok) {
        ok = ::MoveFileExW(source.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
        TRACE(ok ? L"MoveFile %s to %s !" : L"MoveFile %s to %s failed!", source.c_str(), destination.c_str());
    }
    lua_pushboolean(L, ok ? 1 : 0);
    return 1;
}

int Lua_DeleteFile(lua_State* L) {
    lua_pushboolean(L, DeleteAsking(ArgText(L, 1)) ? 1 : 0);
    return 1;
}

int Lua_DeleteFileEx(lua_State* L) {
    std::wstring path;
    bool ok = ExpandPath(L"Lua_DeleteFileEx", ArgText(L, 1), path);
    if (ok && ::PathFileExistsW(path.c_str())) {
        ok = ShellFileOperation(FO_DELETE, path, nullptr, kQuietDeleteFlags) == 0;
    }
    lua_pushboolean(L, ok ? 1 : 0);
    return 1;
}

int Lua_RegVarByCSIDL(lua_State* L) {
    const int csidl = static_cast<int>(ArgInteger(L, 2));
    wchar_t folder[kPathUnits] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, folder, csidl, FALSE)) {
        TRACE(L"SHGetSpecialFolderPathW csidl=%d failed!\r\n", csidl);
        TRACE_LAST_ERROR(L"");
        lua_pushboolean(L, 0);
        return 1;
    }
    const std::wstring name = ArgText(L, 1);
    const bool set = ::SetEnvironmentVariableW(name.c_str(), folder) != FALSE;
    if (!set) TRACE_LAST_ERROR(L"SetEnvironmentVariableW failed!");
    lua_pushboolean(L, set ? 1 : 0);
    return 1;
}

int Lua_DeleteFileAfterReboot(lua_State* L) {
    TRACE(L"Lua_DeleteFileAfterReboot");
    std::wstring path;
    bool ok = ExpandPath(L"Lua_DeleteFileAfterReboot", ArgText(L, 1), path);
    if (ok && ::PathFileExistsW(path.c_str())) {
        ok = ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
    }
    lua_pushboolean(L, ok ? 1 : 0);
    return 1;
}

int Lua_GetTempFileName(lua_State* L) {
    std::wstring directory;
    if (!ExpandPath(L"Lua_GetTempFileName", ArgText(L, 1), directory)) {
        lua_pushnil(L);
        return 1;
    }
    const std::wstring prefix = ArgText(L, 2);
    wchar_t name[kPathUnits] = {};
    if (::GetTempFileNameW(directory.c_str(), prefix.c_str(), 0, name) == 0) {
        lua_pushnil(L);
        return 1;
    }
    PushText(L, name);
    return 1;
}

int Lua_GetTempPath(lua_State* L) {
    wchar_t buffer[kPathUnits + 1] = {};
    if (::GetTempPathW(kPathUnits, buffer) == 0) {
        TRACE(L"GetTempPath Failed!");
        PushText(L, L"");
        return 1;
    }
    if (!::SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_LOCAL_APPDATA, FALSE)) {
        TRACE(L"Get Local AppData Failed!");
    }
    PushText(L, buffer);
    return 1;
}

int Lua_ExpandEnv(lua_State* L) {
    std::wstring expanded;
    if (!ExpandPath(L"Lua_ExpandEnv", LastArgText(L), expanded)) expanded.clear();
    PushText(L, expanded);
    return 1;
}

int Lua_PathFileExists(lua_State* L) {
    const std::wstring path = ArgText(L, 1);
    lua_pushboolean(L, ::PathFileExistsW(path.c_str()) ? 1 : 0);
    return 1;
}

int Lua_PathYetAnotherMakeUniqueName(lua_State* L) {
    const std::wstring path = ArgText(L, 1);
    wchar_t unique[kPathUnits + 1] = {};
    // The system writes up to 260 units; a longer input cannot give a result that fits.
    if (path.size() >= kPathUnits) {
        TRACE(L"Fun:%s, Description:path too long (%u units), refused\r\n", L"Lua_PathYetAnotherMakeUniqueName",
              static_cast<unsigned>(path.size()));
    } else {
        // The system wants the folder and the file name apart: given the whole path as the
        // folder and no name, some shells append a garbage extension to the variant.
        const size_t cut = path.find_last_of(L"\\/");
        const std::wstring folder = cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
        const std::wstring name = cut == std::wstring::npos ? path : path.substr(cut + 1);
        if (!::PathYetAnotherMakeUniqueName(unique, folder.c_str(), nullptr, name.c_str())) unique[0] = L'\0';
    }
    PushText(L, unique);
    return 1;
}

} // namespace zrl::script
