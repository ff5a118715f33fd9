// Entry names to destination paths.
#include "entrypath.h"

#include <windows.h>
#include <cwctype>

namespace zrl::payload {
namespace {

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

bool EqualsNoCase(std::wstring_view a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::towupper(a[i]) != std::towupper(b[i])) return false;
    return i == a.size() && !b[i];
}

// Windows reserves these names in every folder, with any extension.
bool IsDeviceName(std::wstring_view component) {
    std::wstring_view base = component.substr(0, component.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
    for (const wchar_t* device : kDevices)
        if (EqualsNoCase(base, device)) return true;
    if (base.size() == 4 && (EqualsNoCase(base.substr(0, 3), L"COM") || EqualsNoCase(base.substr(0, 3), L"LPT"))) {
        const wchar_t digit = base[3];
        // COM0..COM9, and the superscript digits Windows also maps to ports.
        return (digit >= L'0' && digit <= L'9') || digit == L'\x00B9' || digit == L'\x00B2' || digit == L'\x00B3';
    }
    return false;
}

bool IsSafeComponent(std::wstring_view component) {
    if (component.empty()) return false;
    if (component.back() == L'.' || component.back() == L' ') return false;
    for (wchar_t c : component)
        if (c < 0x20 || c == L':') return false;
    return !IsDeviceName(component);
}

} // namespace

bool IsSafeEntryName(std::wstring_view name) {
    if (name.empty()) return false;
    size_t start = 0;
    for (;;) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        if (!IsSafeComponent(name.substr(start, end - start))) return false;
        if (end == name.size()) return true;
        start = end + 1;
    }
}

std::wstring EntryPath(const std::wstring& destDir, std::wstring_view name) {
    std::wstring path;
    path.reserve(destDir.size() + 1 + name.size());
    path += destDir;
    path += L'\\';
    for (wchar_t c : name) path += (c == L'/') ? L'\\' : c;
    return path;
}

void CreateParentDirectories(const std::wstring& path, size_t nameStart, std::wstring& lastParent) {
    const size_t end = path.rfind(L'\\');
    if (end == std::wstring::npos || end < nameStart) return;
    if (lastParent.size() == end && path.compare(0, end, lastParent) == 0) return;
    std::wstring prefix;
    for (size_t i = nameStart; i < path.size(); ++i) {
        if (path[i] != L'\\') continue;
        prefix.assign(path, 0, i);
        ::CreateDirectoryW(prefix.c_str(), nullptr);
    }
    lastParent.assign(path, 0, end);
}

} // namespace zrl::payload
