// Small helpers for ANSI text held as std::string of Windows-1252 bytes.
#pragma once

#include <string>
#include <string_view>

namespace common::text {

inline bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

inline bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

inline bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

// White space as the program's readers of numbers and versions take it: space, tab, CR, LF.
inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || IsLineBreak(c);
}

// `s` without the bytes at either end for which `drop` is true.
template <typename Predicate>
std::string_view TrimWhere(std::string_view s, Predicate drop) {
    while (!s.empty() && drop(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && drop(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// Removes leading and trailing space characters (0x20 only; tabs and line breaks stay).
std::string TrimSpaces(const std::string& s);

// Removes leading and trailing blanks (IsBlank).
inline std::string_view TrimBlanks(std::string_view s) {
    return TrimWhere(s, IsBlank);
}

// Makes a value safe for one field of a line of "|"-separated fields: line breaks at its ends
// go, any other line break or "|" becomes a space.
std::string OneLineField(std::string_view value);

// ASCII letters compared without regard to case; every other byte as it is.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
// `s` with its ASCII letters in upper case; every other byte as it is.
std::string AsciiUpper(std::string_view s);

// True when `needle` occurs anywhere in `haystack` (exact, case-sensitive).
inline bool Contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

}  // namespace common::text
