#include "settings/scramble.h"

#include <cstddef>

#include "common/text.h"

namespace settings {

namespace {

// The longest value the settings reader gives back (a 255-byte buffer, terminator included).
constexpr std::size_t kMaxStoredLength = 254;

std::string ShiftBytes(const std::string& text, int shift) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        const unsigned value = static_cast<unsigned char>(c);
        result.push_back(static_cast<char>(static_cast<unsigned char>(value + shift)));
    }
    return result;
}

// Bytes the private-profile reader strips from both ends of a value.
bool IsTrimmedByReader(char c) {
    return common::text::IsBlank(c) || c == '\v' || c == '\f' || c == '\x1A';
}

}  // namespace

std::string EncodeText(const std::string& clear) {
    return ShiftBytes(clear, +1);
}

std::string DecodeText(const std::string& scrambled) {
    return ShiftBytes(scrambled, -1);
}

bool CanStorePassword(const std::string& clear, bool singleByteCodePage) {
    if (clear.find('\xFF') != std::string::npos) {
        return false;
    }
    if (!singleByteCodePage) {
        for (const char c : clear) {
            if (static_cast<unsigned char>(c) >= 0x7F) {
                return false;
            }
        }
    }
    const std::string stored = EncodeText(clear);
    if (stored.empty()) {
        return true;
    }
    if (stored.size() > kMaxStoredLength) {
        return false;
    }
    if (stored.find_first_of(std::string("\0\r\n", 3)) != std::string::npos) {
        return false;
    }
    if (IsTrimmedByReader(stored.front()) || IsTrimmedByReader(stored.back())) {
        return false;
    }
    const char first = stored.front();
    if (stored.size() >= 2 && (first == '"' || first == '\'') && stored.back() == first) {
        return false;
    }
    if (stored == "Not Set") {
        return false;
    }
    return true;
}

}  // namespace settings
