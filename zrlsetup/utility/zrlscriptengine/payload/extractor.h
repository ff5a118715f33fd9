// Unpacks a 7z archive into a directory: entries in archive order as files and
// directories, with the two per-file callbacks of the script functions.
//
// Independent solid blocks are decoded by worker threads (one per core, fewer
// when memory asks for it), each writing its own block's files as they come
// out. Everything the caller sees happens on the calling thread in archive
// order: the callbacks, the decisions on files that cannot be created, and the
// result, which is the one a single-threaded pass would give. When the run
// stops early, files of later blocks that workers had already finished stay in
// place (nothing is rolled back either way).
#pragma once

#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>

#include "bytesource.h"

namespace zrl::payload {

struct ExtractCallbacks {
    // After a file was written, closed and given its attributes.
    std::function<void(const std::wstring& path)> onFileExtracted;
    // A file could not be created: 0 retries once, 1 skips it, anything else aborts.
    std::function<int(const std::wstring& path, DWORD error)> onCreateFailed;
};

struct ExtractOptions {
    unsigned workers = 0;                   // 0: one per core (ZRLSETUP_EXTRACT_WORKERS overrides)
    uint64_t memoryBudget = 96ull << 20;    // for the streaming decoders together
};

// The decoder library's result codes: 0 success, 17 not a 7z archive, 3 CRC
// mismatch, 1 corrupt data, 8 read error, 2 out of memory, 16 an entry name
// that would land outside destDir, 11 a file that could not be created,
// written or closed; after a skipped file (callback answer 1) the system error
// code of that file until a later file is written.
int ExtractArchiveToDirectory(const ByteSource& source, const std::wstring& destDir,
                              const ExtractCallbacks& callbacks, const ExtractOptions& options = {});

} // namespace zrl::payload
