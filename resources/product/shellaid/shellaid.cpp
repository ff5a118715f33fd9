// shellaid.dll: helpers the install recipe calls through the native bridge.
// Exports are __stdcall with undecorated names.
#include <windows.h>
#include <aclapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <string>

namespace {

// A COM interface pointer released at the end of its scope.
template <typename T>
class ComRef {
public:
    ~ComRef() { if (p_) p_->Release(); }
    T** Put() { return &p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
private:
    T* p_ = nullptr;
};

} // namespace

extern "C" {

// True on Windows 7 (NT 6.1).
__declspec(dllexport) BOOL __stdcall IsOSWin7() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExW(&info);
#pragma GCC diagnostic pop
    return info.dwMajorVersion == 6 && info.dwMinorVersion == 1;
}

// Gives the local Users group read and execute access to the folder, inherited by
// everything in it. Never write access: the folder holds a service that runs as
// LocalSystem, and a folder users can write would let any of them replace it.
__declspec(dllexport) BOOL __stdcall AllowAccountPrivilege(const wchar_t* folder) {
    if (!folder || !*folder) return FALSE;
    PSID users = nullptr;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS,
                                  0, 0, 0, 0, 0, 0, &users)) {
        return FALSE;
    }
    PACL oldAcl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::wstring path = folder;
    BOOL ok = FALSE;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &oldAcl, nullptr, &descriptor) == ERROR_SUCCESS) {
        EXPLICIT_ACCESSW access{};
        access.grfAccessPermissions = GENERIC_READ | GENERIC_EXECUTE;
        access.grfAccessMode = GRANT_ACCESS;
        access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
        access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access.Trustee.TrusteeType = TRUSTEE_IS_GROUP;
        access.Trustee.ptstrName = static_cast<LPWSTR>(users);
        PACL newAcl = nullptr;
        if (SetEntriesInAclW(1, &access, oldAcl, &newAcl) == ERROR_SUCCESS) {
            ok = SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                       nullptr, nullptr, newAcl, nullptr) == ERROR_SUCCESS;
            LocalFree(newAcl);
        }
        LocalFree(descriptor);
    }
    FreeSid(users);
    return ok;
}

// Creates "<product name>.lnk" on the all-users desktop, pointing at the program.
// The window class names the program's main window; the link does not need it.
__declspec(dllexport) void __stdcall CreateDesktopShortcut(const wchar_t* programPath,
                                                           const wchar_t* /*windowClass*/,
                                                           const wchar_t* productName) {
    if (!programPath || !productName) return;
    wchar_t desktop[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_DESKTOPDIRECTORY, nullptr, 0, desktop))) return;
    const HRESULT com = CoInitialize(nullptr);
    {
        ComRef<IShellLinkW> link;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                       reinterpret_cast<void**>(link.Put())))) {
            std::wstring folder = programPath;
            folder = folder.substr(0, folder.find_last_of(L'\\'));
            link->SetPath(programPath);
            link->SetWorkingDirectory(folder.c_str());
            link->SetDescription(productName);
            ComRef<IPersistFile> file;
            if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Put())))) {
                const std::wstring lnk = std::wstring(desktop) + L"\\" + productName + L".lnk";
                file->Save(lnk.c_str(), TRUE);
            }
        }
    }
    if (SUCCEEDED(com)) CoUninitialize();
}

} // extern "C"
