// What every fuzz target uses to report a broken rule: it names the rule on stderr and traps,
// so that libFuzzer keeps the input as a crash file.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#define FUZZ_REQUIRE(condition)                                                               \
    do {                                                                                      \
        if (!(condition)) {                                                                   \
            std::fprintf(stderr, "%s:%d: rule broken: %s\n", __FILE__, __LINE__, #condition); \
            __builtin_trap();                                                                 \
        }                                                                                     \
    } while (false)

namespace fuzz {

inline std::size_t Count(const std::string& s, char c) {
    return static_cast<std::size_t>(std::count(s.begin(), s.end(), c));
}

inline bool HasLineBreak(const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos;
}

// `s` without the bytes for which `dropped` holds at either end.
template <typename Predicate>
std::string Trim(const std::string& s, Predicate dropped) {
    std::size_t first = 0;
    std::size_t last = s.size();
    while (first < last && dropped(s[first])) {
        ++first;
    }
    while (last > first && dropped(s[last - 1])) {
        --last;
    }
    return s.substr(first, last - first);
}

// The pieces of `s` between the `separator` bytes (one more than there are separators).
inline std::vector<std::string> Split(const std::string& s, char separator) {
    std::vector<std::string> parts(1);
    for (const char c : s) {
        if (c == separator) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

}  // namespace fuzz
