// Archive byte sources and the decoder library's stream adaptor over them.
#include "bytesource.h"

#include <algorithm>
#include <cstring>

namespace zrl::payload {

MemorySource::MemorySource(const void* data, size_t size, bool exchanged)
    : data_(static_cast<const uint8_t*>(data)), size_(data ? size : 0) {
    if (size_ >= 1) head_[0] = data_[0];
    if (size_ >= 2) {
        head_[1] = data_[1];
        if (exchanged) std::swap(head_[0], head_[1]);
    }
}

bool MemorySource::ReadAt(uint64_t offset, void* buffer, size_t size, size_t* got) const {
    *got = 0;
    if (offset >= size_) return true;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size, size_ - offset));
    std::memcpy(buffer, data_ + offset, n);
    // The exchanged bytes come from the private copy, never from the image.
    for (uint64_t i = offset; i < 2 && i < offset + n; ++i)
        static_cast<uint8_t*>(buffer)[i - offset] = head_[i];
    *got = n;
    return true;
}

const uint8_t* MemorySource::View(uint64_t offset, size_t size) const {
    if (offset < 2 || offset > size_ || size > size_ - offset) return nullptr;
    return data_ + offset;
}

FileSource::FileSource(HANDLE file) : file_(file) {
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file, &size)) size_ = static_cast<uint64_t>(size.QuadPart);
}

bool FileSource::ReadAt(uint64_t offset, void* buffer, size_t size, size_t* got) const {
    *got = 0;
    if (offset >= size_) return true;
    size = static_cast<size_t>(std::min<uint64_t>(size, size_ - offset));
    while (*got < size) {
        OVERLAPPED at{};
        const uint64_t position = offset + *got;
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const DWORD want = static_cast<DWORD>(std::min<size_t>(size - *got, 1u << 30));
        DWORD read = 0;
        if (!::ReadFile(file_, static_cast<uint8_t*>(buffer) + *got, want, &read, &at)) {
            if (::GetLastError() == ERROR_HANDLE_EOF) break;
            return false;
        }
        if (read == 0) break;
        *got += read;
    }
    return true;
}

LookStream::LookStream(const ByteSource& source, size_t bufferSize) : buffer_(bufferSize) {
    seek_.vt.Read = &LookStream::Read;
    seek_.vt.Seek = &LookStream::Seek;
    seek_.source = &source;
    seek_.position = 0;
    LookToRead2_CreateVTable(&look_, False);   // exact-size looks, no read-ahead
    look_.buf = buffer_.data();
    look_.bufSize = buffer_.size();
    look_.realStream = &seek_.vt;
    LookToRead2_INIT(&look_);
}

SRes LookStream::Read(ISeekInStreamPtr p, void* buffer, size_t* size) {
    auto* self = reinterpret_cast<SeekStream*>(const_cast<ISeekInStream*>(p));
    size_t got = 0;
    if (!self->source->ReadAt(self->position, buffer, *size, &got)) {
        *size = 0;
        return SZ_ERROR_READ;
    }
    self->position += got;
    *size = got;
    return SZ_OK;
}

SRes LookStream::Seek(ISeekInStreamPtr p, Int64* position, ESzSeek origin) {
    auto* self = reinterpret_cast<SeekStream*>(const_cast<ISeekInStream*>(p));
    Int64 base = 0;
    switch (origin) {
    case SZ_SEEK_SET: base = 0; break;
    case SZ_SEEK_CUR: base = static_cast<Int64>(self->position); break;
    case SZ_SEEK_END: base = static_cast<Int64>(self->source->Size()); break;
    default: return ERROR_INVALID_PARAMETER;
    }
    const Int64 target = base + *position;
    if (target < 0) return ERROR_INVALID_PARAMETER;
    self->position = static_cast<uint64_t>(target);
    *position = target;
    return SZ_OK;
}

} // namespace zrl::payload
