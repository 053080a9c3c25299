#include "common/text.h"

#include <gtest/gtest.h>

#include <string>

namespace common {

TEST(TrimSpaces, RemovesOnlySpacesAtBothEnds) {
    EXPECT_EQ(text::TrimSpaces("  a b  "), "a b");
    EXPECT_EQ(text::TrimSpaces("   "), "");
    EXPECT_EQ(text::TrimSpaces(""), "");
    EXPECT_EQ(text::TrimSpaces("\tx\r\n "), "\tx\r\n");
}

TEST(TrimBlanks, RemovesSpaceTabAndLineBreaksAtBothEndsOnly) {
    EXPECT_EQ(text::TrimBlanks(" \t\r\n1.2 3\n\t \r"), "1.2 3");
    EXPECT_EQ(text::TrimBlanks("\v1\f"), "\v1\f");
    EXPECT_EQ(text::TrimBlanks(" \r\n\t"), "");
    EXPECT_EQ(text::TrimBlanks(""), "");
    for (int b = 0; b <= 255; ++b) {
        const char c = static_cast<char>(b);
        const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        EXPECT_EQ(text::IsBlank(c), blank) << "byte " << b;
        EXPECT_EQ(text::IsLineBreak(c), c == '\r' || c == '\n') << "byte " << b;
    }
}

TEST(AsciiClasses, OnlyTheAsciiDigitsAndLetters) {
    const std::string digits = "0123456789";
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    for (int b = 0; b <= 255; ++b) {
        const char c = static_cast<char>(b);
        EXPECT_EQ(text::IsAsciiDigit(c), digits.find(c) != std::string::npos) << "byte " << b;
        EXPECT_EQ(text::IsAsciiLetter(c), letters.find(c) != std::string::npos) << "byte " << b;
    }
}

TEST(NoCase, OnlyAsciiLettersIgnoreCase) {
    EXPECT_TRUE(text::EqualsNoCase("DiReCt", "direct"));
    EXPECT_FALSE(text::EqualsNoCase("direct ", "direct"));
    EXPECT_FALSE(text::EqualsNoCase("\xC9", "\xE9"));  // not ASCII letters
    EXPECT_TRUE(text::StartsWithNoCase("HTTPS://x", "https://"));
    EXPECT_FALSE(text::StartsWithNoCase("http:/", "http://"));
    EXPECT_TRUE(text::StartsWithNoCase("x", ""));
    EXPECT_EQ(text::AsciiUpper("dl/n0call/p"), "DL/N0CALL/P");
    EXPECT_EQ(text::AsciiUpper("\xE9t\xE9 Mix{z}"), "\xE9T\xE9 MIX{Z}");  // accented bytes stay
    EXPECT_EQ(text::AsciiUpper("@`az{"), "@`AZ{");
    EXPECT_EQ(text::AsciiUpper(""), "");
}

}  // namespace common
