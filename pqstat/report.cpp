// Report encoding.
#include "report.h"

#include <cstdio>

namespace pqstat {

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        switch (c) {
        case '"':  out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);   // UTF-8 bytes pass through
            }
        }
    }
    return out + "\"";
}

std::string JsonIntArray(const std::vector<int>& values) {
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) out += ",";
        out += std::to_string(values[i]);
    }
    return out + "]";
}

std::string BuildReport(const char* type, const Identity& identity, unsigned seq,
                        const std::string& extraFields) {
    return std::string("{\"type\":") + JsonString(type) +
           ",\"appid\":" + std::to_string(identity.appId) +
           ",\"unionid\":" + std::to_string(identity.unionId) +
           ",\"level\":" + std::to_string(identity.level) +
           ",\"version\":" + JsonString(identity.version) +
           ",\"seq\":" + std::to_string(seq) + extraFields + "}";
}

} // namespace pqstat
