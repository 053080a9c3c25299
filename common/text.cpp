#include "common/text.h"

namespace common::text {

std::string TrimSpaces(const std::string& s) {
    return std::string(TrimWhere(s, [](char c) { return c == ' '; }));
}

namespace {

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

std::string AsciiUpper(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

std::string OneLineField(std::string_view value) {
    std::string out(TrimWhere(value, IsLineBreak));
    for (char& c : out) {
        if (IsLineBreak(c) || c == '|') {
            c = ' ';
        }
    }
    return out;
}

}  // namespace common::text
