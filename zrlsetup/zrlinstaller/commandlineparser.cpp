// Parsing of "/key value" switches into the argument map.
#include "commandlineparser.h"

namespace {

bool IsTrimmed(wchar_t c) { return c == L' ' || c < 30; }

} // namespace

std::vector<std::wstring> CCommandLineParser::SplitString(std::wstring_view text,
                                                          std::wstring_view delimiters) {
    std::vector<std::wstring> pieces;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t first = text.find_first_not_of(delimiters, pos);
        if (first == std::wstring_view::npos) break;
        const std::size_t end = text.find_first_of(delimiters, first + 1);
        pieces.emplace_back(text.substr(first, end == std::wstring_view::npos ? end : end - first));
        if (end == std::wstring_view::npos) break;
        pos = end + 1;
    }
    return pieces;
}

std::wstring CCommandLineParser::TrimSpaces(std::wstring_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsTrimmed(text[begin])) ++begin;
    while (end > begin && IsTrimmed(text[end - 1])) --end;
    return std::wstring(text.substr(begin, end - begin));
}

CCommandLineParser::CCommandLineParser(std::wstring_view commandLine) : commandLine_(commandLine) {
    for (const std::wstring& piece : SplitString(commandLine_, L"/")) {
        const std::size_t space = piece.find(L' ');
        std::wstring key = piece.substr(0, space);
        std::wstring value;
        if (space != std::wstring::npos) {
            value = TrimSpaces(std::wstring_view(piece).substr(space));
            if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"') {
                value = value.substr(1, value.size() - 2);
            }
        }
        arguments_[std::move(key)] = std::move(value);   // the last occurrence wins
    }
}

bool CCommandLineParser::GetValue(const std::wstring& key, std::wstring& value) const {
    value.clear();
    const auto found = arguments_.find(key);
    if (found == arguments_.end()) return false;
    value = found->second;
    return true;
}
