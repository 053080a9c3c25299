#include "common/text.h"

namespace common::text {

std::string TrimSpaces(const std::string& s) {
    return std::string(TrimWhere(s, [](char c) { return c == ' '; }));
}

}  // namespace common::text
