// Streaming decode of one solid block (folder) whose coders are LZMA or LZMA2,
// optionally followed by the x86 branch filter (BCJ): the output is handed on
// in slices as it comes out, with memory bounded by the dictionary (never more
// than the block) and about a megabyte of buffers. Other coder chains are not
// streamed; the caller decodes them through the library's whole-block path.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include <7z.h>

#include "bytesource.h"

namespace zrl::payload {

// Receives a block's output in order. Returning false stops the decode.
class FolderSink {
public:
    virtual ~FolderSink() = default;
    virtual bool Consume(const uint8_t* data, size_t size) = 0;
};

// Returned by StreamFolder when the sink asked to stop.
constexpr SRes kStoppedBySink = SZ_ERROR_PROGRESS;

// True when the block can be streamed; `memory` then gets the bytes its
// decode holds at once (dictionary and buffers).
bool CanStreamFolder(const CSzArEx& db, uint32_t folder, uint64_t* memory);

// Decodes the block through `sink`; checks the block's own CRC when the
// archive has one. SZ_OK, a library error code, or kStoppedBySink.
SRes StreamFolder(const CSzArEx& db, uint32_t folder, const ByteSource& source, FolderSink& sink);

} // namespace zrl::payload
