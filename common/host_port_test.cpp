#include "common/host_port.h"

#include <gtest/gtest.h>

namespace common {
namespace {

TEST(HostPort, HostNameBytes) {
    for (int b = 0; b <= 255; ++b) {
        const char c = static_cast<char>(b);
        const bool expected = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                              (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
        EXPECT_EQ(IsHostNameByte(c), expected) << "byte " << b;
    }
}

TEST(HostPort, PortsFromOneTo65535) {
    EXPECT_EQ(ParsePort("1"), 1);
    EXPECT_EQ(ParsePort("8080"), 8080);
    EXPECT_EQ(ParsePort("65535"), 65535);
    EXPECT_EQ(ParsePort("00080"), 80);
    for (const char* bad : {"", "0", "65536", "99999", "123456", "80a", "+80", " 80", "-1"}) {
        EXPECT_FALSE(ParsePort(bad).has_value()) << "'" << bad << "'";
    }
}

}  // namespace
}  // namespace common
