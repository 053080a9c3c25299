#include "common/text.h"

namespace text {

std::string TrimSpaces(const std::string& s) {
    return std::string(TrimWhere(s, [](char c) { return c == ' '; }));
}

}  // namespace text
