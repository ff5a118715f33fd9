// ZIP reading: end-of-central-directory record, central directory, local
// headers; deflated data goes through zlib's raw inflate.
#include "zipreader.h"

#include <cstring>
#include <zlib.h>

namespace zui {
namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return U16(p) | static_cast<uint32_t>(U16(p + 2)) << 16; }

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;

} // namespace

bool ZipArchive::Fail(const char* why) {
    error_ = why;
    entries_.clear();
    return false;
}

bool ZipArchive::Open(const void* data, size_t size, const char* password) {
    data_ = static_cast<const uint8_t*>(data);
    size_ = size;
    entries_.clear();
    error_.clear();
    if (password && *password) return Fail("password-protected archives are not supported");
    if (!data_ || size_ < 22) return Fail("not a ZIP archive");

    // The end record sits in the last 22 + 65535 bytes (its comment may follow it).
    size_t end = size_ - 22;
    const size_t lowest = size_ > 22 + 65535 ? size_ - 22 - 65535 : 0;
    while (U32(data_ + end) != kEndSignature) {
        if (end == lowest) return Fail("no end of central directory");
        --end;
    }
    const uint32_t count = U16(data_ + end + 10);
    const uint32_t dirSize = U32(data_ + end + 12);
    const uint32_t dirOffset = U32(data_ + end + 16);
    if (static_cast<uint64_t>(dirOffset) + dirSize > end) return Fail("central directory out of range");

    size_t pos = dirOffset;
    for (uint32_t i = 0; i < count; ++i) {
        if (pos + 46 > end || U32(data_ + pos) != kCentralSignature) return Fail("bad central directory entry");
        const uint8_t* h = data_ + pos;
        Entry e;
        e.flags = U16(h + 8);
        e.method = U16(h + 10);
        e.crc = U32(h + 16);
        e.compressedSize = U32(h + 20);
        e.size = U32(h + 24);
        const uint16_t nameLen = U16(h + 28), extraLen = U16(h + 30), commentLen = U16(h + 32);
        e.localOffset = U32(h + 42);
        if (pos + 46 + nameLen > end) return Fail("bad central directory entry");
        if (e.flags & 1) return Fail("encrypted entries are not supported");
        std::string name(reinterpret_cast<const char*>(h + 46), nameLen);
        entries_[name] = e;
        pos += 46u + nameLen + extraLen + commentLen;
    }
    return true;
}

bool ZipArchive::Read(const std::string& path, std::vector<uint8_t>& out) const {
    out.clear();
    auto it = entries_.find(path);
    if (it == entries_.end()) return false;
    const Entry& e = it->second;
    if (static_cast<uint64_t>(e.localOffset) + 30 > size_) return false;
    const uint8_t* local = data_ + e.localOffset;
    if (U32(local) != kLocalSignature) return false;
    const uint64_t start = static_cast<uint64_t>(e.localOffset) + 30 + U16(local + 26) + U16(local + 28);
    if (start + e.compressedSize > size_) return false;
    const uint8_t* src = data_ + start;

    if (e.method == 0) {
        if (e.compressedSize != e.size) return false;
        out.assign(src, src + e.size);
    } else if (e.method == 8) {
        out.resize(e.size);
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
        z.next_in = const_cast<Bytef*>(src);
        z.avail_in = e.compressedSize;
        z.next_out = out.data();
        z.avail_out = e.size;
        const int rc = inflate(&z, Z_FINISH);
        const bool ok = rc == Z_STREAM_END && z.total_out == e.size;
        inflateEnd(&z);
        if (!ok) { out.clear(); return false; }
    } else {
        return false;
    }
    if (crc32(0, out.data(), static_cast<uInt>(out.size())) != e.crc) { out.clear(); return false; }
    return true;
}

std::vector<std::string> ZipArchive::Names() const {
    std::vector<std::string> names;
    for (const auto& kv : entries_) names.push_back(kv.first);
    return names;
}

} // namespace zui
