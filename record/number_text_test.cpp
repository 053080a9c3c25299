#include "record/number_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>

namespace record {

TEST(FormatNumber, WritesShortestTextWithoutTrailingZeros) {
    EXPECT_EQ(FormatNumber(42.25, "."), "42.25");
    EXPECT_EQ(FormatNumber(-88.1, "."), "-88.1");
    EXPECT_EQ(FormatNumber(100.0, "."), "100");
    EXPECT_EQ(FormatNumber(0.1 + 0.2, "."), "0.3");
    EXPECT_EQ(FormatNumber(1234567.5, "."), "1234567.5");  // no thousands separators
    EXPECT_EQ(FormatNumber(0.0001, "."), "0.0001");
    EXPECT_EQ(FormatNumber(-0.00012, "."), "-0.00012");
}

TEST(FormatNumber, ZeroHasNoSign) {
    EXPECT_EQ(FormatNumber(0.0, "."), "0");
    EXPECT_EQ(FormatNumber(-0.0, "."), "0");
    EXPECT_EQ(FormatNumber(0.0 * -1, ","), "0");
}

TEST(FormatNumber, RoundsToFifteenSignificantDigits) {
    EXPECT_EQ(FormatNumber(39.7812345678901234, "."), "39.7812345678901");
    EXPECT_EQ(FormatNumber(123456789012345.0, "."), "123456789012345");
    EXPECT_EQ(FormatNumber(2.0 / 3.0, "."), "0.666666666666667");
    EXPECT_EQ(FormatNumber(-1.0 / 3.0, "."), "-0.333333333333333");
    // Rounding carries into a new digit and so into the exponent form.
    EXPECT_EQ(FormatNumber(999999999999999.9, "."), "1E+15");
    EXPECT_EQ(FormatNumber(9.9999999999999999, "."), "10");
}

TEST(FormatNumber, UsesExponentFormOutsideFixedRange) {
    EXPECT_EQ(FormatNumber(1e-5, "."), "1E-05");
    EXPECT_EQ(FormatNumber(1e15, "."), "1E+15");
    EXPECT_EQ(FormatNumber(1.5e20, "."), "1.5E+20");
    EXPECT_EQ(FormatNumber(1e100, "."), "1E+100");
    EXPECT_EQ(FormatNumber(1e-100, "."), "1E-100");
    EXPECT_EQ(FormatNumber(-1.25e-7, "."), "-1.25E-07");
    EXPECT_EQ(FormatNumber(1.5e20, ","), "1,5E+20");
    EXPECT_EQ(FormatNumber(4.9406564584124654e-324, "."), "4.94065645841247E-324");
}

// The significant digits of a number's text (no leading or trailing zeros) and the decimal
// exponent of the first of them: "0.00012" and "1.2E-04" both give "12e-4".
std::string DigitsAndExponent(const std::string& text) {
    const std::size_t e = text.find_first_of("Ee");
    const std::string mantissa = text.substr(0, e);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    std::string digits;
    std::size_t first = 0;
    for (std::size_t i = 0; i < mantissa.size(); ++i) {
        const char c = mantissa[i];
        if (c < '0' || c > '9' || (digits.empty() && c == '0')) {
            continue;
        }
        if (digits.empty()) {
            first = i;
        }
        digits += c;
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    int exponent =
        first < point ? static_cast<int>(point - first) - 1 : -static_cast<int>(first - point);
    if (e != std::string::npos) {
        exponent += std::atoi(text.c_str() + e + 1);
    }
    return digits + "e" + std::to_string(exponent);
}

// The digits come from the C runtime's printf: they must be those of a correctly rounded
// conversion (std::to_chars, which the program does not link), for doubles of every size,
// for decimal values as people write them, and at and beside 15-digit ties.
TEST(FormatNumber, DigitsAreCorrectlyRounded) {
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    int checked = 0;
    for (int i = 0; i < 30000; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        double bits = 0;
        std::memcpy(&bits, &state, sizeof bits);
        const double tie = static_cast<double>(state % 1000000000000000ull) + 0.5;
        const double values[] = {bits, static_cast<double>(state % 100000000) / 1000000, tie,
                                 std::nextafter(tie, 0.0), std::nextafter(tie, 1e300)};
        for (const double v : values) {
            if (!std::isfinite(v) || v == 0) {
                continue;
            }
            char buf[64];
            const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v),
                                           std::chars_format::scientific, 14);
            ASSERT_EQ(res.ec, std::errc());
            EXPECT_EQ(DigitsAndExponent(FormatNumber(v, ".")),
                      DigitsAndExponent(std::string(buf, res.ptr)))
                << FormatNumber(v, ".");
            ++checked;
        }
    }
    EXPECT_GT(checked, 120000);
}

TEST(FormatNumber, WritesTheGivenDecimalSeparator) {
    EXPECT_EQ(FormatNumber(42.25, ","), "42,25");
    EXPECT_EQ(FormatNumber(-0.5, ","), "-0,5");
    EXPECT_EQ(FormatNumber(3.75, "::"), "3::75");
    EXPECT_EQ(FormatNumber(42.0, ","), "42");
}

TEST(FormatNumber, NonFiniteValuesGetWords) {
    EXPECT_EQ(FormatNumber(std::numeric_limits<double>::quiet_NaN(), "."), "NaN");
    EXPECT_EQ(FormatNumber(std::numeric_limits<double>::infinity(), "."), "Infinity");
    EXPECT_EQ(FormatNumber(-std::numeric_limits<double>::infinity(), "."), "-Infinity");
}

TEST(ParseNumber, ReadsDecimalForms) {
    double v = -1;
    ASSERT_TRUE(ParseNumber("42.25", ".", v));
    EXPECT_EQ(v, 42.25);
    ASSERT_TRUE(ParseNumber(" \t42.25\r\n", ".", v));
    EXPECT_EQ(v, 42.25);
    ASSERT_TRUE(ParseNumber("+7", ".", v));
    EXPECT_EQ(v, 7.0);
    ASSERT_TRUE(ParseNumber("-3.5", ".", v));
    EXPECT_EQ(v, -3.5);
    ASSERT_TRUE(ParseNumber(".5", ".", v));
    EXPECT_EQ(v, 0.5);
    ASSERT_TRUE(ParseNumber("5.", ".", v));
    EXPECT_EQ(v, 5.0);
    ASSERT_TRUE(ParseNumber("1e3", ".", v));
    EXPECT_EQ(v, 1000.0);
    ASSERT_TRUE(ParseNumber("1.5E+2", ".", v));
    EXPECT_EQ(v, 150.0);
    ASSERT_TRUE(ParseNumber("25E-2", ".", v));
    EXPECT_EQ(v, 0.25);
    ASSERT_TRUE(ParseNumber("-0", ".", v));
    EXPECT_EQ(v, 0.0);
    EXPECT_TRUE(std::signbit(v));
    ASSERT_TRUE(ParseNumber("39.7812345678901234", ".", v));
    EXPECT_EQ(v, 39.7812345678901234);
}

TEST(ParseNumber, AcceptsThePointAndTheUserSeparator) {
    double v = 0;
    ASSERT_TRUE(ParseNumber("42,25", ",", v));
    EXPECT_EQ(v, 42.25);
    ASSERT_TRUE(ParseNumber("42.25", ",", v));  // not 4225
    EXPECT_EQ(v, 42.25);
    ASSERT_TRUE(ParseNumber("-1,5e1", ",", v));
    EXPECT_EQ(v, -15.0);
    ASSERT_TRUE(ParseNumber("3::75", "::", v));
    EXPECT_EQ(v, 3.75);
    // A comma is no separator for a user who has the point.
    EXPECT_FALSE(ParseNumber("42,25", ".", v));
    EXPECT_FALSE(ParseNumber("1.2,5", ",", v));
}

TEST(ParseNumber, RejectsWhatIsNoDecimalNumber) {
    const char* const bad[] = {"",     "   ",   "abc", "nan", "NaN", "inf",   "-Infinity",
                               "0x10", "1.2.3", "--1", "+-1", ".",   "+",     "-",
                               "e5",   "1e",    "1e+", "1 2", "12a", "1,000", "1e999"};
    for (const char* s : bad) {
        double v = 12.5;
        EXPECT_FALSE(ParseNumber(s, ".", v)) << '"' << s << '"';
        EXPECT_EQ(v, 12.5) << '"' << s << '"';
    }
}

}  // namespace record
