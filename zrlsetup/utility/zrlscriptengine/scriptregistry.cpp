// Lua_RegQuery, Lua_RegAdd and Lua_RegDel. Keys are opened for reading and
// writing in the program's default view (for this 32-bit program on 64-bit
// Windows, the 32-bit view of the machine keys).
//
// Lua_RegAdd and Lua_RegDel report the outcome: false when the key could not
// be opened or the write or delete failed; Lua_RegAdd keeps true when it left
// an existing value alone because overwriting was not asked for.
#include "scriptregistry.h"

#include <windows.h>
#include <cwchar>
#include <string>
#include <vector>

#include "scriptargs.h"
#include "../base/unique_handle.h"
#include "../../../jvpublic/jvbase/trace.h"

namespace zrl::script {
namespace {

constexpr REGSAM kAccess = KEY_READ | KEY_WRITE;   // 0x2001F

// "HKCR", "HKCU", "HKLM", "HKU", "HKCC" exactly; anything else gives no key.
HKEY RootKey(const std::wstring& name) {
    static const struct { const wchar_t* name; HKEY key; } kRoots[] = {
        {L"HKCR", HKEY_CLASSES_ROOT}, {L"HKCU", HKEY_CURRENT_USER}, {L"HKLM", HKEY_LOCAL_MACHINE},
        {L"HKU", HKEY_USERS},         {L"HKCC", HKEY_CURRENT_CONFIG},
    };
    for (const auto& root : kRoots) {
        if (name == root.name) return root.key;
    }
    return nullptr;
}

LSTATUS OpenKey(HKEY root, const std::wstring& subkey, zrl::UniqueRegKey& key) {
    if (!root) return ERROR_INVALID_HANDLE;
    return ::RegOpenKeyExW(root, subkey.c_str(), 0, kAccess, key.Put());
}

// Hexadecimal text to bytes: each pair of digits is one byte, an odd last digit
// a byte by itself. False when a character is no hexadecimal digit.
bool ParseHex(const std::wstring& text, std::vector<BYTE>& bytes) {
    auto digit = [](wchar_t c) -> int {
        if (c >= L'0' && c <= L'9') return c - L'0';
        if (c >= L'a' && c <= L'f') return c - L'a' + 10;
        if (c >= L'A' && c <= L'F') return c - L'A' + 10;
        return -1;
    };
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        int value = digit(text[i]);
        if (value < 0) return false;
        if (i + 1 < text.size()) {
            const int low = digit(text[i + 1]);
            if (low < 0) return false;
            value = value * 16 + low;
        }
        bytes.push_back(static_cast<BYTE>(value));
    }
    return true;
}

LSTATUS SetText(HKEY key, const std::wstring& name, DWORD type, const std::wstring& text) {
    return ::RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// Deletes `subkey` of `parent` with everything below it, deepest first.
LSTATUS DeleteTree(HKEY parent, const std::wstring& subkey) {
    {
        zrl::UniqueRegKey key;
        const LSTATUS opened = ::RegOpenKeyExW(parent, subkey.c_str(), 0, kAccess, key.Put());
        if (opened != ERROR_SUCCESS) return opened;
        std::vector<std::wstring> children;
        wchar_t name[256];
        for (DWORD index = 0;; ++index) {
            DWORD length = 256;
            if (::RegEnumKeyExW(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            children.emplace_back(name, length);
        }
        for (const std::wstring& child : children) {
            const LSTATUS status = DeleteTree(key.Get(), child);
            if (status != ERROR_SUCCESS) return status;
        }
    }
    using DeleteKeyEx = LSTATUS(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
    static const auto deleteKeyEx = reinterpret_cast<DeleteKeyEx>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExW")));
    return deleteKeyEx ? deleteKeyEx(parent, subkey.c_str(), 0, 0) : ::RegDeleteKeyW(parent, subkey.c_str());
}

} // namespace

// Lua_RegQuery(root, subkey, name): a REG_SZ/REG_EXPAND_SZ value as text (not
// expanded), a REG_DWORD as an unsigned number; nil for anything else.
int Lua_RegQuery(lua_State* L) {
    zrl::UniqueRegKey key;
    DWORD type = 0;
    DWORD size = 0;
    const std::wstring name = ArgText(L, 3);
    if (OpenKey(RootKey(ArgText(L, 1)), ArgText(L, 2), key) != ERROR_SUCCESS ||
        ::RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        lua_pushnil(L);
        return 1;
    }
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (::RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes) != ERROR_SUCCESS) {
            lua_pushnil(L);
            return 1;
        }
        text.resize(std::wcslen(text.c_str()));
        PushText(L, text);
    } else if (type == REG_DWORD) {
        DWORD value = 0;
        DWORD bytes = sizeof value;
        if (::RegQueryValueExW(key.Get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS) {
            lua_pushnil(L);
            return 1;
        }
        lua_pushnumber(L, static_cast<lua_Number>(value));
    } else {
        lua_pushnil(L);
    }
    return 1;
}

// Lua_RegAdd(root, subkey, name, type, data, overwrite)
int Lua_RegAdd(lua_State* L) {
    const std::wstring rootName = ArgText(L, 1), subkey = ArgText(L, 2), name = ArgText(L, 3);
    const std::string type = ArgBytes(L, 4);
    const HKEY root = RootKey(rootName);
    zrl::UniqueRegKey key;
    const LSTATUS created = root ? ::RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                     kAccess, nullptr, key.Put(), nullptr)
                                 : ERROR_INVALID_HANDLE;
    if (created != ERROR_SUCCESS) {
        TRACE(L"Fun:Lua_RegAdd, Description:create key %s\\%s failed, errcode: %ld\r\n",
              rootName.c_str(), subkey.c_str(), static_cast<long>(created));
        lua_pushboolean(L, 0);
        return 1;
    }
    if (!lua_toboolean(L, 6) &&
        ::RegQueryValueExW(key.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) != ERROR_FILE_NOT_FOUND) {
        lua_pushboolean(L, 1);   // the existing value is kept, as asked
        return 1;
    }
    LSTATUS written = ERROR_SUCCESS;
    if (type == "REG_SZ") {
        std::wstring expanded;
        if (!ExpandPath(L"Lua_RegAdd", ArgText(L, 5), expanded)) {
            lua_pushboolean(L, 0);
            return 1;
        }
        written = SetText(key.Get(), name, REG_SZ, expanded);
    } else if (type == "REG_EXPAND_SZ") {
        written = SetText(key.Get(), name, REG_EXPAND_SZ, ArgText(L, 5));
    } else if (type == "REG_DWORD") {
        const DWORD value = static_cast<DWORD>(lua_tounsignedx(L, 5, nullptr));
        written = ::RegSetValueExW(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    } else if (type == "REG_BINARY") {
        std::vector<BYTE> bytes;
        if (!ParseHex(ArgText(L, 5), bytes)) {
            TRACE(L"Fun:Lua_RegAdd, Description:REG_BINARY data of %s is no hexadecimal text\r\n", name.c_str());
            lua_pushboolean(L, 0);
            return 1;
        }
        written = ::RegSetValueExW(key.Get(), name.c_str(), 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
    }
    if (written != ERROR_SUCCESS) {
        TRACE(L"Fun:Lua_RegAdd, Description:write %s failed, errcode: %ld\r\n", name.c_str(), static_cast<long>(written));
    }
    lua_pushboolean(L, written == ERROR_SUCCESS);
    return 1;
}

// Lua_RegDel(root, subkey): deletes the key tree; Lua_RegDel(root, subkey, name)
// (any other argument count): deletes one value.
int Lua_RegDel(lua_State* L) {
    const std::wstring rootName = ArgText(L, 1), subkey = ArgText(L, 2);
    const HKEY root = RootKey(rootName);
    if (lua_gettop(L) == 2) {
        // An empty subkey would name the root itself and wipe everything below it.
        if (subkey.empty()) {
            TRACE(L"DeleteSubKey refused: no subkey under %s\r\n", rootName.c_str());
            lua_pushboolean(L, 0);
            return 1;
        }
        zrl::UniqueRegKey rootKey;
        const LSTATUS opened = OpenKey(root, L"", rootKey);
        if (opened != ERROR_SUCCESS) {
            TRACE(L"OpenKey %s failed, errcode: %ld\r\n", rootName.c_str(), static_cast<long>(opened));
            lua_pushboolean(L, 0);
            return 1;
        }
        const LSTATUS deleted = DeleteTree(rootKey.Get(), subkey);
        if (deleted != ERROR_SUCCESS) {
            TRACE(L"DeleteSubKey %s failed, errcode: %ld", subkey.c_str(), static_cast<long>(deleted));
        }
        lua_pushboolean(L, deleted == ERROR_SUCCESS);
        return 1;
    }
    zrl::UniqueRegKey key;
    if (OpenKey(root, subkey, key) != ERROR_SUCCESS) {
        lua_pushboolean(L, 0);
        return 1;
    }
    const std::wstring name = ArgText(L, 3);
    const LSTATUS deleted = ::RegDeleteValueW(key.Get(), name.c_str());
    TRACE(L"Delete Value %s, %s, %s", rootName.c_str(), subkey.c_str(), name.c_str());
    lua_pushboolean(L, deleted == ERROR_SUCCESS);
    return 1;
}

} // namespace zrl::script
