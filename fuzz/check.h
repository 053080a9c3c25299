// What every fuzz target uses to report a broken rule: it names the rule on stderr and traps,
// so that libFuzzer keeps the input as a crash file.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>

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

}  // namespace fuzz
