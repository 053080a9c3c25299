// Small helpers for ANSI text held as std::string of Windows-1252 bytes.
#pragma once

#include <string>

namespace text {

// Removes leading and trailing space characters (0x20 only; tabs and line breaks stay).
std::string TrimSpaces(const std::string& s);

// True when `needle` occurs anywhere in `haystack` (exact, case-sensitive).
inline bool Contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

}  // namespace text
