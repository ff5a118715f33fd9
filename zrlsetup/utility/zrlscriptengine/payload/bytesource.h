// Where an archive's bytes come from: a resource read where it lies (its first
// two bytes exchanged back on the fly) or a file read by position. Sources are
// shared by the extraction threads, so reads never move a shared position.
#pragma once

#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <7zTypes.h>

namespace zrl::payload {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads up to `size` bytes at `offset`; `got` is 0 at the end. False on a read error.
    virtual bool ReadAt(uint64_t offset, void* buffer, size_t size, size_t* got) const = 0;
    // The bytes at [offset, offset + size) in place, when the source can give them
    // without a copy; nullptr otherwise.
    virtual const uint8_t* View(uint64_t offset, size_t size) const { (void)offset; (void)size; return nullptr; }
};

// A block of memory (a loaded resource), never written to. With `exchanged`,
// the first two bytes are read in the opposite order.
class MemorySource final : public ByteSource {
public:
    MemorySource(const void* data, size_t size, bool exchanged);
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* buffer, size_t size, size_t* got) const override;
    const uint8_t* View(uint64_t offset, size_t size) const override;

private:
    const uint8_t* data_;
    size_t size_;
    uint8_t head_[2] = {0, 0};   // the first two bytes as the archive has them
};

// An open file read with positioned ReadFile calls, safe from several threads.
class FileSource final : public ByteSource {
public:
    explicit FileSource(HANDLE file);
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* buffer, size_t size, size_t* got) const override;

private:
    HANDLE file_;
    uint64_t size_ = 0;
};

// The decoder library's look-ahead input stream over a source, with a read
// position of its own (one per thread that uses the library's readers).
class LookStream {
public:
    explicit LookStream(const ByteSource& source, size_t bufferSize = 1 << 16);
    LookStream(const LookStream&) = delete;
    LookStream& operator=(const LookStream&) = delete;

    ILookInStreamPtr Stream() const { return &look_.vt; }

private:
    struct SeekStream {
        ISeekInStream vt;
        const ByteSource* source;
        uint64_t position;
    };
    static SRes Read(ISeekInStreamPtr p, void* buffer, size_t* size);
    static SRes Seek(ISeekInStreamPtr p, Int64* position, ESzSeek origin);

    SeekStream seek_;
    CLookToRead2 look_;
    std::vector<Byte> buffer_;
};

} // namespace zrl::payload
