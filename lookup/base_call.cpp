#include "lookup/base_call.h"

#include <vector>

#include "common/text.h"

namespace lookup {

namespace {

using common::text::IsAsciiDigit;
using common::text::IsAsciiLetter;

bool CouldBeHomeCall(const std::string& part) {
    if (part.size() < 3) {
        return false;
    }
    bool letter = false;
    bool digit = false;
    for (char c : part) {
        letter = letter || IsAsciiLetter(c);
        digit = digit || IsAsciiDigit(c);
    }
    return letter && digit;
}

std::vector<std::string> SplitAtSlash(const std::string& text) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const auto slash = text.find('/', start);
        parts.push_back(text.substr(start, slash - start));
        if (slash == std::string::npos) {
            return parts;
        }
        start = slash + 1;
    }
}

}  // namespace

std::string BaseCall(const std::string& callsign) {
    if (callsign.find('/') == std::string::npos) {
        return std::string();
    }
    std::string best;
    bool tied = false;
    for (const std::string& part : SplitAtSlash(callsign)) {
        if (!CouldBeHomeCall(part) || part.size() < best.size()) {
            continue;
        }
        tied = part.size() == best.size();
        best = part;
    }
    return tied ? std::string() : best;
}

}  // namespace lookup
