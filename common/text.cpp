#include "common/text.h"

namespace common::text {

std::string TrimSpaces(const std::string& s) {
    return std::string(TrimWhere(s, [](char c) { return c == ' '; }));
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
