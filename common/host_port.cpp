#include "common/host_port.h"

#include "common/decimal.h"

namespace common {

bool IsHostNameByte(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_';
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
