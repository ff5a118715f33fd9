// Archive entry names turned into paths under the destination, and the
// rule that keeps every entry inside it.
#pragma once

#include <string>
#include <string_view>

namespace zrl::payload {

// True when `name` (components separated by '/' or '\') names a place inside
// the destination: no empty component (so no absolute or UNC name), no ':'
// (drives, alternate data streams), no component ending in '.' or ' ' (so no
// "." or ".."), no control characters and no device name (CON, NUL, COM1...).
bool IsSafeEntryName(std::wstring_view name);

// destDir, one '\', then the name with its '/' turned into '\'.
std::wstring EntryPath(const std::wstring& destDir, std::wstring_view name);

// Creates each directory on the way to `path` below its first `nameStart`
// characters (results ignored: most exist already). `lastParent` remembers the
// folder made last, so entries of one folder in a row cost nothing.
void CreateParentDirectories(const std::wstring& path, size_t nameStart, std::wstring& lastParent);

} // namespace zrl::payload
