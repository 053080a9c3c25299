#include "common/text.h"

#include <gtest/gtest.h>

TEST(TrimSpaces, RemovesOnlySpacesAtBothEnds) {
    EXPECT_EQ(text::TrimSpaces("  a b  "), "a b");
    EXPECT_EQ(text::TrimSpaces("   "), "");
    EXPECT_EQ(text::TrimSpaces(""), "");
    EXPECT_EQ(text::TrimSpaces("\tx\r\n "), "\tx\r\n");
}
