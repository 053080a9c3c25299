#include "common/decimal.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace common {

TEST(ParseDecimal, ReadsDigitsAndNothingElse) {
    EXPECT_EQ(ParseDecimal<unsigned>("0"), 0u);
    EXPECT_EQ(ParseDecimal<unsigned>("42"), 42u);
    EXPECT_EQ(ParseDecimal<unsigned>("007"), 7u);
    for (const char* text : {"", " 1", "1 ", "+1", "-1", "-0", "1.0", "1e3", "0x10", "12a", "\t3",
                             "\xB3", "\xD9\xA3"}) {
        EXPECT_FALSE(ParseDecimal<unsigned>(text)) << "[" << text << "]";
    }
    // A digit after a NUL is no digit of the number.
    EXPECT_FALSE(ParseDecimal<unsigned>(std::string("1") + '\0' + "2"));
    // Only the bytes of the view count, not what follows it in memory.
    const std::string_view head = std::string_view("123456").substr(0, 3);
    EXPECT_EQ(ParseDecimal<unsigned>(head), 123u);
}

TEST(ParseDecimal, RefusesWhatTheTypeCannotHold) {
    EXPECT_EQ(ParseDecimal<std::uint8_t>("255"), 255u);
    EXPECT_FALSE(ParseDecimal<std::uint8_t>("256"));
    EXPECT_EQ(ParseDecimal<std::uint32_t>("4294967295"), 4294967295u);
    EXPECT_FALSE(ParseDecimal<std::uint32_t>("4294967296"));
    EXPECT_EQ(ParseDecimal<std::uint64_t>("18446744073709551615"), UINT64_MAX);
    EXPECT_FALSE(ParseDecimal<std::uint64_t>("18446744073709551616"));
    EXPECT_FALSE(ParseDecimal<std::uint64_t>(std::string(400, '9')));
    // Leading zeros take no room of their own.
    EXPECT_EQ(ParseDecimal<std::uint8_t>(std::string(300, '0') + "9"), 9u);
}

}  // namespace common
