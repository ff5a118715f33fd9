// Reads a ZIP archive held in memory: stored and deflated entries, found by
// their path with "/" separators. Encrypted archives are refused.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace zui {

class ZipArchive {
public:
    // Indexes the central directory. The data must outlive the archive.
    // A non-empty password is refused: the reader has no decryption.
    bool Open(const void* data, size_t size, const char* password = "");

    bool Contains(const std::string& path) const { return entries_.count(path) != 0; }
    // The entry's bytes, inflated when it is deflated; false when missing or corrupt.
    bool Read(const std::string& path, std::vector<uint8_t>& out) const;
    const std::string& Error() const { return error_; }
    std::vector<std::string> Names() const;

private:
    struct Entry {
        uint16_t method = 0;
        uint16_t flags = 0;
        uint32_t compressedSize = 0;
        uint32_t size = 0;
        uint32_t crc = 0;
        uint32_t localOffset = 0;
    };
    bool Fail(const char* why);

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    std::unordered_map<std::string, Entry> entries_;
    std::string error_;
};

} // namespace zui
