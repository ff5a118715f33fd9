// Lua_UnCompress7z and Lua_ExtractResource: the payload archive (a resource of
// type _7Z stored with its first two bytes exchanged, or a 7z file) unpacked
// into a folder, and resources copied out byte for byte.
#include "payloadfunctions.h"

#include <windows.h>
#include <shlwapi.h>

#include "scriptargs.h"
#include "scriptcallback.h"
#include "payload/extractor.h"
#include "../base/unique_handle.h"
#include "../../../jvpublic/jvbase/trace.h"

namespace zrl::script {
namespace {

constexpr wchar_t kUnCompress[] = L"Lua_UnCompress7z";
constexpr wchar_t kExtractResource[] = L"Lua_ExtractResource";
constexpr wchar_t kScrambledType[] = L"_7Z";
constexpr int kFailure = 11;   // SZ_ERROR_FAIL

// A resource name argument: numbers and numeric strings are integer
// identifiers (low 16 bits), anything else a name.
struct ResourceName {
    explicit ResourceName(lua_State* L, int index) {
        isId = lua_isnumber(L, index) != 0;
        if (isId) id = static_cast<WORD>(static_cast<unsigned long>(ArgInteger(L, index)) & 0xFFFF);
        else text = ArgText(L, index);
    }
    const wchar_t* Get() const { return isId ? MAKEINTRESOURCEW(id) : text.c_str(); }

    bool isId = false;
    WORD id = 0;
    std::wstring text;
};

// A resource of this executable, loaded and released with the object.
struct LoadedResource {
    LoadedResource(const wchar_t* type, const wchar_t* name) {
        HMODULE self = ::GetModuleHandleW(nullptr);
        HRSRC info = ::FindResourceW(self, name, type);
        if (!info) return;
        handle.Reset(::LoadResource(self, info));
        if (!handle) return;
        data = static_cast<const BYTE*>(::LockResource(handle.Get()));
        size = ::SizeofResource(self, info);
    }
    bool Loaded() const { return handle.Valid(); }

    zrl::UniqueResourceData handle;
    const BYTE* data = nullptr;
    DWORD size = 0;
};

int PushResult(lua_State* L, bool ok) {
    lua_pushboolean(L, ok ? 1 : 0);
    return 1;
}

int Extract(const zrl::payload::ByteSource& source, const std::wstring& destDir,
            ScriptCallback& onFileExtracted, ScriptCallback& onCreateFailed) {
    zrl::payload::ExtractCallbacks callbacks;
    if (onFileExtracted.Present())
        callbacks.onFileExtracted = [&](const std::wstring& path) { onFileExtracted.Invoke(path); };
    if (onCreateFailed.Present())
        callbacks.onCreateFailed = [&](const std::wstring& path, DWORD code) { return onCreateFailed.Invoke(path, code); };
    return zrl::payload::ExtractArchiveToDirectory(source, destDir, callbacks);
}

int ExtractFromFile(lua_State* L, const std::wstring& destDir, ScriptCallback& onFileExtracted,
                    ScriptCallback& onCreateFailed, bool* missing) {
    std::wstring file;
    if (!ExpandPath(kUnCompress, ArgText(L, 1), file)) return kFailure;
    if (!::PathFileExistsW(file.c_str())) {
        TraceNotExists(kUnCompress, file);
        *missing = true;
        return kFailure;
    }
    TRACE(L"UnCompress %s to %s .\r\n", file.c_str(), destDir.c_str());
    zrl::UniqueFileHandle handle(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) return kFailure;
    zrl::payload::FileSource source(handle.Get());
    return Extract(source, destDir, onFileExtracted, onCreateFailed);
}

} // namespace

int Lua_UnCompress7z(lua_State* L) {
    const int n = lua_gettop(L);
    if (n < 2 || n > 5) {
        TRACE(L"Fun:%s, Description:takes 2 to 5 arguments, got %d\r\n", kUnCompress, n);
        TRACE(L"Fun:%s, Description: UnCompress failed.!\r\n", kUnCompress);
        return PushResult(L, false);
    }
    // Callbacks: argument 5 on top first (taking it pops it), then argument 4;
    // missing arguments read as nil.
    lua_settop(L, 5);
    ScriptCallback onCreateFailed(L);
    lua_settop(L, 4);
    ScriptCallback onFileExtracted(L);
    lua_settop(L, 3);
    const bool fromFile = lua_type(L, 3) == LUA_TBOOLEAN && lua_toboolean(L, 3);

    std::wstring destDir;
    if (!ExpandPath(kUnCompress, ArgText(L, 2), destDir)) return PushResult(L, false);
    if (!::PathFileExistsW(destDir.c_str())) {
        TraceNotExists(kUnCompress, destDir);
        return PushResult(L, false);
    }

    int result = kFailure;
    if (fromFile) {
        bool missing = false;
        result = ExtractFromFile(L, destDir, onFileExtracted, onCreateFailed, &missing);
        if (missing) return PushResult(L, false);
    } else {
        const ResourceName name(L, 1);
        LoadedResource resource(kScrambledType, name.Get());
        if (!resource.Loaded()) {
            TRACE(L"Fun:%s ,LoadResource failed!\r\n", kUnCompress);
            return PushResult(L, false);
        }
        if (!name.isId) TRACE(L"UnCompress %s to %s .\r\n", name.text.c_str(), destDir.c_str());
        // Read where it lies; the two exchanged bytes are put back in the reader, not the image.
        zrl::payload::MemorySource source(resource.data, resource.data ? resource.size : 0, true);
        result = Extract(source, destDir, onFileExtracted, onCreateFailed);
    }

    if (result == 0) {
        TRACE(L"UnCompress successful.\r\n");
        return PushResult(L, true);
    }
    TRACE(L"Fun:%s, Description:result code %d\r\n", kUnCompress, result);
    TRACE(L"Fun:%s, Description: UnCompress failed.!\r\n", kUnCompress);
    return PushResult(L, false);
}

int Lua_ExtractResource(lua_State* L) {
    std::wstring destPath;
    if (!ExpandPath(kExtractResource, ArgText(L, 3), destPath)) return PushResult(L, false);
    const std::wstring type = ArgText(L, 1);
    const ResourceName name(L, 2);
    LoadedResource resource(type.c_str(), name.Get());
    if (!resource.Loaded()) {
        TRACE(L"Fun:%s ,LoadResource failed!\r\n", kExtractResource);
        return PushResult(L, false);
    }
    zrl::UniqueFileHandle file(::CreateFileW(destPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        TRACE(L"Fun:%s ,CreateFileW %s failed!\r\n", kExtractResource, destPath.c_str());
        return PushResult(L, false);
    }

    auto write = [&](const BYTE* data, DWORD size) {
        DWORD written = 0;
        return size == 0 || (data && ::WriteFile(file.Get(), data, size, &written, nullptr) && written == size);
    };
    bool ok;
    if (type == kScrambledType && resource.size >= 2 && resource.data) {
        // The scrambled pair goes out in archive order; the image stays as loaded.
        const BYTE head[2] = {resource.data[1], resource.data[0]};
        ok = write(head, 2) && write(resource.data + 2, resource.size - 2);
    } else {
        ok = write(resource.data, resource.size);
    }
    if (!ok) {
        TRACE(L"Fun:%s ,WriteFile %s failed!\r\n", kExtractResource, destPath.c_str());
        return PushResult(L, false);
    }
    return PushResult(L, true);
}

} // namespace zrl::script
