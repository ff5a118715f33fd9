// Encoding conversions over MultiByteToWideChar / WideCharToMultiByte.
#include "textconv.h"

namespace zrl {

std::wstring ToWide(std::string_view bytes, UINT codePage) {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    int count = ::MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (count <= 0) return {};
    std::wstring text(static_cast<size_t>(count), L'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), size, text.data(), count);
    return text;
}

std::string FromWide(std::wstring_view text, UINT codePage) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    int count = ::WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (count <= 0) return {};
    std::string bytes(static_cast<size_t>(count), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), size, bytes.data(), count, nullptr, nullptr);
    return bytes;
}

} // namespace zrl
