// Recursive deletes: the engine routines DeleteDirectories / DeleteDirectoriesEx
// and the script functions built on them.
//
// A directory junction or symbolic link met inside the tree is removed as a
// link and never entered: following it would delete data outside the tree.
#include "scriptfiles.h"

#include <windows.h>
#include <shlwapi.h>

#include "scriptargs.h"
#include "scriptcallback.h"
#include "zrlscriptengine.h"
#include "../base/unique_handle.h"
#include "../../../jvpublic/jvbase/trace.h"

namespace {

// A directory that stands for another place: a junction or a directory symbolic link
// (name-surrogate reparse tags). Directories that are reparse points for storage reasons
// (cloud placeholders, deduplication) hold their own files and are walked. An unknown
// tag (0) counts as a link: better to leave a folder behind than to follow one.
bool IsLinkedDirectory(const WIN32_FIND_DATAW& entry) {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return false;
    }
    const DWORD tag = entry.dwReserved0;   // the reparse tag, when the attribute is set
    return tag == 0 || IsReparseTagNameSurrogate(tag);
}

// The same test for a path given to the routine itself.
bool IsLinkedDirectory(const std::wstring& path) {
    std::wstring bare = path;
    while (bare.size() > 3 && (bare.back() == L'\\' || bare.back() == L'/')) bare.pop_back();
    if (bare.find_first_of(L"*?") != std::wstring::npos) return false;
    WIN32_FIND_DATAW entry{};
    zrl::UniqueFindHandle search(::FindFirstFileW(bare.c_str(), &entry));
    return search && IsLinkedDirectory(entry);
}

std::wstring JoinPath(const std::wstring& directory, const std::wstring& name) {
    if (directory.empty()) return name;
    const wchar_t last = directory.back();
    return (last == L'\\' || last == L'/') ? directory + name : directory + L'\\' + name;
}

// Removes a junction or directory link without touching what it points at.
void RemoveLink(const std::wstring& path) {
    TRACE(L"%s is a junction or link, removed without following\r\n", path.c_str());
    if (!::RemoveDirectoryW(path.c_str())) TRACE_LAST_ERROR(L"RemoveDirectory of link failed!");
}

void DeleteTree(const wchar_t* routine, const std::wstring& path, ScriptCallback* callback) {
    TRACE(L"%s %s", routine, path.c_str());
    const bool isDirectory = ::PathIsDirectoryW(path.c_str()) != FALSE;
    if (isDirectory && IsLinkedDirectory(path)) {
        RemoveLink(path);
        return;
    }
    const std::wstring pattern = isDirectory ? JoinPath(path, L"*.*") : path;
    if (pattern.size() >= zrl::script::kPathUnits) {
        TRACE(L"%s: %s is too long, refused\r\n", routine, pattern.c_str());
        return;
    }
    // Entries are named relative to the folder searched: the path itself, or a file's parent.
    std::wstring folder = path;
    if (!isDirectory) {
        const size_t cut = folder.find_last_of(L"\\/");
        folder = cut == std::wstring::npos ? std::wstring() : folder.substr(0, cut + 1);
    }

    WIN32_FIND_DATAW entry{};
    zrl::UniqueFindHandle search(::FindFirstFileW(pattern.c_str(), &entry));
    if (!search) return;
    do {
        const std::wstring name = entry.cFileName;
        const std::wstring full = JoinPath(folder, name);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (name == L"." || name == L"..") continue;
            if (IsLinkedDirectory(entry)) {
                RemoveLink(full);
            } else {
                DeleteTree(routine, full, callback);
            }
            continue;
        }
        if (full.size() >= zrl::script::kPathUnits) {
            TRACE(L"%s: %s is too long, refused\r\n", routine, full.c_str());
            if (callback && callback->Present()) callback->Invoke(full, ERROR_FILENAME_EXCED_RANGE);
            continue;
        }
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
            ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        if (!::DeleteFileW(full.c_str()) && callback && callback->Present()) {
            const DWORD error = ::GetLastError();
            callback->Invoke(full, error);
        }
    } while (::FindNextFileW(search.Get(), &entry));
    search.Reset();

    if (!isDirectory) return;
    // A process cannot remove its own current directory: step out to the parent first.
    wchar_t current[zrl::script::kPathUnits] = {};
    const DWORD length = ::GetCurrentDirectoryW(zrl::script::kPathUnits, current);
    if (length > 0 && length < zrl::script::kPathUnits && path == current) {
        ::PathRemoveFileSpecW(current);
        ::SetCurrentDirectoryW(current);
    }
    ::RemoveDirectoryW(path.c_str());
}

} // namespace

void ZRLScriptEngine::DeleteDirectories(const std::wstring& path) {
    DeleteTree(L"ZRLScriptEngine::DeleteDirectories", path, nullptr);
}

void ZRLScriptEngine::DeleteDirectoriesEx(const std::wstring& path, ScriptCallback* callback) {
    DeleteTree(L"ZRLScriptEngine::DeleteDirectoriesEx", path, callback);
}

namespace zrl::script {
namespace {

// Shared body of the two recursive deletes; returns the script results.
int DeleteRecursive(lua_State* L, const wchar_t* function, ScriptCallback* callback) {
    std::wstring path;
    if (!ExpandPath(function, ArgText(L, 1), path)) {
        lua_pushboolean(L, 0);
        return 1;
    }
    if (!::PathFileExistsW(path.c_str())) {
        lua_pushboolean(L, 1);
        return 1;
    }
    if (::PathIsDirectoryW(path.c_str())) {
        TRACE(L"PathIsDirectoryW");
        if (callback) {
            ZRLScriptEngine::DeleteDirectoriesEx(path, callback);
        } else {
            ZRLScriptEngine::DeleteDirectories(path);
        }
        return 0;
    }
    TRACE(L"Path is file!");
    if (!::DeleteFileW(path.c_str()) && callback && callback->Present()) {
        const DWORD error = ::GetLastError();
        callback->Invoke(path, error);
    }
    return 0;
}

} // namespace

int Lua_DelFileRecursive(lua_State* L) {
    TRACE(L"Lua_DelFileRecursive");
    return DeleteRecursive(L, L"Lua_DelFileRecursive", nullptr);
}

int Lua_DelFileRecursiveEx(lua_State* L) {
    TRACE(L"Lua_DelFileRecursiveEx");
    ScriptCallback callback(L);   // takes the function at the top of the stack, if any
    return DeleteRecursive(L, L"Lua_DelFileRecursiveEx", &callback);
}

} // namespace zrl::script
