// The reading of a decimal number, for every reader of numbers in the program's texts: a port, a
// count of days, a version's component, a length in a file or a header.
#pragma once

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace common {

// The value of `digits` when it is one or more ASCII decimal digits and nothing else (no sign,
// no blank, no prefix) and fits in T, an unsigned integer type; none otherwise. Leading zeros are
// read ("007" is 7): a caller that refuses them, or holds the number to a smaller range or fewer
// digits, says so itself.
template <typename T>
std::optional<T> ParseDecimal(std::string_view digits) {
    static_assert(std::is_unsigned_v<T>, "a decimal number here has no sign");
    T value = 0;
    const char* const end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

}  // namespace common
