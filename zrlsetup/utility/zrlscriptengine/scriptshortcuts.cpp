// Lua_CreateShortcut writes a shell link (.lnk) for a program or an internet
// shortcut for a URL, creating the shortcut's folder first. Also the pin verbs,
// which have no function of their own: scripts hand them to Lua_Exec.
#include "scriptshortcuts.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <intshcut.h>

#include "scriptargs.h"
#include "scriptfilehelpers.h"
#include "../../../jvpublic/jvbase/trace.h"

namespace zrl::script {
namespace {

const CLSID kClsidShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidShellLinkW = {0x000214F9, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const CLSID kClsidInternetShortcut = {0xFBF23B40, 0xE3F0, 0x101B, {0x84, 0x88, 0x00, 0xAA, 0x00, 0x3E, 0x56, 0xF8}};
const IID kIidUniformResourceLocatorW = {0xCABB0DA0, 0xDA57, 0x11CF, {0x99, 0x74, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x62}};

// In-process server and handler, local and remote server.
constexpr DWORD kClassContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
                                CLSCTX_REMOTE_SERVER;

// Owns one COM interface pointer.
template <typename T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    void** Put() { Reset(); return reinterpret_cast<void**>(&p_); }
    void Reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
private:
    T* p_ = nullptr;
};

// A property could not be set or the file saved: the message, then the failure triple.
bool FailedWith(const wchar_t* format, const std::wstring& text) {
    TRACE(format, text.c_str());
    TRACE_LAST_ERROR(L"");
    return false;
}

// Releases the object's own interface first, then saves through IPersistFile.
template <typename T>
bool Save(ComRef<T>& object, ComRef<IPersistFile>& file, const std::wstring& linkPath) {
    object.Reset();
    if (FAILED(file->Save(linkPath.c_str(), TRUE))) return FailedWith(L"Save %s failed!\r\n", linkPath);
    TRACE(L"Save Shortcut %s \r\n", linkPath.c_str());
    return true;
}

bool CreateInternetShortcut(const std::wstring& url, const std::wstring& linkPath) {
    ComRef<IUniformResourceLocatorW> locator;
    if (FAILED(::CoCreateInstance(kClsidInternetShortcut, nullptr, kClassContext, kIidUniformResourceLocatorW,
                                  locator.Put()))) {
        TRACE_LAST_ERROR(L"CoCreateInstance(CLSID_InternetShortcut) failed!");
        return false;
    }
    if (FAILED(locator->SetURL(url.c_str(), 0))) return FailedWith(L"SetURL %s failed!\r\n", url);
    ComRef<IPersistFile> file;
    if (FAILED(locator->QueryInterface(IID_IPersistFile, file.Put()))) {
        TRACE_LAST_ERROR(L"QueryInterface IID_IPersistFile failed!");
        return false;
    }
    return Save(locator, file, linkPath);
}

// Arguments and description are optional: absent or nil ones are left unset.
bool CreateShellLink(lua_State* L, const std::wstring& target, const std::wstring& linkPath) {
    ComRef<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(kClsidShellLink, nullptr, kClassContext, kIidShellLinkW, link.Put()))) {
        TRACE_LAST_ERROR(L"CoCreateInstance(CLSID_ShellLink) failed!");
        return false;
    }
    const int count = lua_gettop(L);
    if (count >= 3 && !lua_isnil(L, 3)) {
        const std::wstring arguments = ArgText(L, 3);
        if (FAILED(link->SetArguments(arguments.c_str()))) return FailedWith(L"SetArguments %s failed!\r\n", arguments);
    }
    if (count >= 4 && !lua_isnil(L, 4)) {
        const std::wstring description = ArgText(L, 4);
        if (FAILED(link->SetDescription(description.c_str()))) {
            return FailedWith(L"SetDescription %s failed!\r\n", description);
        }
    }
    if (FAILED(link->SetPath(target.c_str()))) return FailedWith(L"SetPath %s failed!\r\n", target);
    // The program runs in its own folder, not in the shortcut's.
    const std::wstring directory = ParentOf(target);
    if (FAILED(link->SetWorkingDirectory(directory.c_str()))) {
        return FailedWith(L"SetWorkingDirectory %s failed!\r\n", directory);
    }
    ComRef<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.Put()))) {
        TRACE_LAST_ERROR(L"QueryInterface IID_IPersistFile failed!");
        return false;
    }
    return Save(link, file, linkPath);
}

bool CreateShortcut(lua_State* L) {
    ::CoInitialize(nullptr);   // joins this thread to an apartment once; kept for the thread's life
    const std::wstring target = ArgText(L, 1);
    std::wstring linkPath;
    if (!ExpandPath(L"Lua_CreateShortcut", ArgText(L, 2), linkPath)) return false;

    const std::wstring folder = ParentOf(linkPath);
    if (!::PathFileExistsW(folder.c_str())) ::SHCreateDirectory(nullptr, folder.c_str());

    if (::PathIsURLW(target.c_str())) return CreateInternetShortcut(target, linkPath);
    std::wstring expandedTarget;
    if (!ExpandPath(L"Lua_CreateShortcut", target, expandedTarget)) return false;
    return CreateShellLink(L, expandedTarget, linkPath);
}

} // namespace

bool IsPinVerb(const std::wstring& verb) {
    return _wcsicmp(verb.c_str(), L"Taskbarpin") == 0 || _wcsicmp(verb.c_str(), L"Startpin") == 0 ||
           IsUnpinVerb(verb);
}

bool IsUnpinVerb(const std::wstring& verb) {
    return _wcsicmp(verb.c_str(), L"Taskbarunpin") == 0 || _wcsicmp(verb.c_str(), L"Startunpin") == 0;
}

int Lua_CreateShortcut(lua_State* L) {
    lua_pushboolean(L, CreateShortcut(L) ? 1 : 0);
    return 1;
}

} // namespace zrl::script
