// The "host:port" of an address, as the program accepts it wherever one is written: in a
// service's URL and in the Proxy setting.
#pragma once

#include <optional>
#include <string_view>

namespace common {

// A byte of a host name: ASCII letters, digits, '-', '.' and '_'.
bool IsHostNameByte(char c);

// A port: one to five decimal digits worth 1 to 65535; none for anything else.
std::optional<unsigned short> ParsePort(std::string_view digits);

}  // namespace common
