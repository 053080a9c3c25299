#include "common/host_port.h"

#include "common/decimal.h"
#include "common/text.h"

namespace common {

bool IsHostNameByte(char c) {
    return text::IsAsciiLetter(c) || text::IsAsciiDigit(c) || c == '-' || c == '.' || c == '_';
}

std::optional<unsigned short> ParsePort(std::string_view digits) {
    if (digits.size() > 5) {
        return std::nullopt;
    }
    const std::optional<unsigned long> port = ParseDecimal<unsigned long>(digits);
    if (!port || *port < 1 || *port > 65535) {
        return std::nullopt;
    }
    return static_cast<unsigned short>(*port);
}

}  // namespace common
