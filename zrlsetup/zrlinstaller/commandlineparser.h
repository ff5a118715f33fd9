// The installer's own switches: the command line is cut at every '/', and each
// piece is split at its first space into a key and a value.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

class CCommandLineParser {
public:
    explicit CCommandLineParser(std::wstring_view commandLine);

    // Sets `value` to the entry of exactly `key` (empty when there is none).
    bool GetValue(const std::wstring& key, std::wstring& value) const;

    const std::map<std::wstring, std::wstring>& Arguments() const { return arguments_; }

    // Pieces of `text` between delimiters; runs of delimiters yield no empty piece.
    static std::vector<std::wstring> SplitString(std::wstring_view text, std::wstring_view delimiters);
    // Removes spaces and control units below U+001E from both ends.
    static std::wstring TrimSpaces(std::wstring_view text);

private:
    std::wstring commandLine_;
    std::map<std::wstring, std::wstring> arguments_;
};
