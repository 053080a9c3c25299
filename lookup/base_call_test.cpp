#include "lookup/base_call.h"

#include <gtest/gtest.h>

namespace lookup {

TEST(BaseCall, FindsTheHomeCallOfPortableAndPrefixedForms) {
    EXPECT_EQ(BaseCall("N0CALL/P"), "N0CALL");
    EXPECT_EQ(BaseCall("N0CALL/MM"), "N0CALL");
    EXPECT_EQ(BaseCall("N0CALL/QRP"), "N0CALL");
    EXPECT_EQ(BaseCall("DL/N0CALL"), "N0CALL");
    EXPECT_EQ(BaseCall("VE3/AB1CD/P"), "AB1CD");
    EXPECT_EQ(BaseCall("N0CALL/7"), "N0CALL");
    EXPECT_EQ(BaseCall("3D2/N0CALL"), "N0CALL");
    EXPECT_EQ(BaseCall("KH6/N0CALL/P"), "N0CALL");
    // Letters of either case count; the part comes back as written.
    EXPECT_EQ(BaseCall("ab1cd/p"), "ab1cd");
}

TEST(BaseCall, NoBaseCallWithoutASlashOrAQualifyingPart) {
    EXPECT_EQ(BaseCall("N0CALL"), "");
    EXPECT_EQ(BaseCall(""), "");
    EXPECT_EQ(BaseCall("/"), "");
    EXPECT_EQ(BaseCall("//P"), "");
    // Too short, no digit, no letter.
    EXPECT_EQ(BaseCall("K1/P"), "");
    EXPECT_EQ(BaseCall("QRP/PORTABLE"), "");
    EXPECT_EQ(BaseCall("1234/P"), "");
    // Non-ASCII letters do not count as letters.
    EXPECT_EQ(BaseCall("\xC4\xD6"
                       "1/P"),
              "");
}

TEST(BaseCall, EquallyLongCandidatesGiveNoBaseCall) {
    EXPECT_EQ(BaseCall("KH6X/AB1C"), "");
    EXPECT_EQ(BaseCall("AB1C/KH6X/P"), "");
    // A tie among shorter parts does not matter when one part is longer than both.
    EXPECT_EQ(BaseCall("VE3/W1A/AB1CD"), "AB1CD");
    EXPECT_EQ(BaseCall("AB1CD/VE3/W1A"), "AB1CD");
}

}  // namespace lookup
