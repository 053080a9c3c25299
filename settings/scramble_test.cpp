#include "settings/scramble.h"

#include <gtest/gtest.h>

#include <string>

namespace settings {

TEST(Scramble, ShiftsEachByteByOne) {
    EXPECT_EQ(EncodeText("abc"), "bcd");
    EXPECT_EQ(DecodeText("bcd"), "abc");
    EXPECT_EQ(EncodeText(""), "");
    EXPECT_EQ(DecodeText(""), "");
    // Bytes are shifted as unsigned values: 0xE9 becomes 0xEA, not a negative char.
    EXPECT_EQ(EncodeText("\xE9 z"), "\xEA!{");
}

TEST(Scramble, EveryEncodableByteRoundTrips) {
    std::string all;
    for (int b = 0; b <= 254; ++b) {
        all.push_back(static_cast<char>(b));
    }
    const std::string stored = EncodeText(all);
    ASSERT_EQ(stored.size(), all.size());
    for (int b = 0; b <= 254; ++b) {
        EXPECT_EQ(static_cast<unsigned char>(stored[b]), b + 1) << "byte " << b;
    }
    EXPECT_EQ(DecodeText(stored), all);
}

TEST(Scramble, EndsOfTheByteRangeWrap) {
    EXPECT_EQ(EncodeText("\xFF"), std::string(1, '\0'));
    EXPECT_EQ(DecodeText(std::string(1, '\0')), "\xFF");
}

TEST(CanStorePassword, AcceptsOrdinaryPasswords) {
    EXPECT_TRUE(CanStorePassword("secret"));
    EXPECT_TRUE(CanStorePassword("pass word with spaces"));
    EXPECT_TRUE(CanStorePassword("a=b;c"));
    EXPECT_TRUE(CanStorePassword("=;[x]"));
    EXPECT_TRUE(CanStorePassword("caf\xE9"));
    // A quote at one end only, or different quotes at the two ends, survives the reader.
    EXPECT_TRUE(CanStorePassword("!abc"));   // stored "\"bcd"
    EXPECT_TRUE(CanStorePassword("abc!"));   // stored "bcd\""
    EXPECT_TRUE(CanStorePassword("!abc&"));  // stored "\"bcd'"
    EXPECT_TRUE(CanStorePassword("!"));      // stored "\"", one byte
    // Inside the value the trimmed bytes do no harm.
    EXPECT_TRUE(CanStorePassword("a\x1F\x08\x19z"));  // stored space, tab and Ctrl-Z inside
    EXPECT_TRUE(CanStorePassword(std::string(254, 'x')));
    EXPECT_TRUE(CanStorePassword(""));
    EXPECT_TRUE(CanStorePassword(std::string("a\0b", 3)));  // NUL is stored as 0x01
    EXPECT_TRUE(CanStorePassword("Not Set"));               // stored "Opu!Tfu", decoded on reading
}

TEST(CanStorePassword, RefusesByte255AndOverlongForms) {
    EXPECT_FALSE(CanStorePassword("abc\xFF"));
    EXPECT_FALSE(CanStorePassword("\xFF"));
    EXPECT_FALSE(CanStorePassword(std::string(255, 'x')));
}

TEST(CanStorePassword, RefusesFormsThatBreakTheLine) {
    EXPECT_FALSE(CanStorePassword("a\tb"));  // tab becomes LF
    EXPECT_FALSE(
        CanStorePassword("a\x0C"
                         "b"));  // form feed becomes CR
    EXPECT_FALSE(
        CanStorePassword("a\xFF"
                         "b"));  // would become NUL
}

TEST(CanStorePassword, RefusesFormsTheReaderTrims) {
    EXPECT_FALSE(
        CanStorePassword("\x1F"
                         "abc"));               // leading space
    EXPECT_FALSE(CanStorePassword("abc\x1F"));  // trailing space
    EXPECT_FALSE(
        CanStorePassword("\x08"
                         "abc"));               // leading tab
    EXPECT_FALSE(CanStorePassword("abc\x08"));  // trailing tab
    EXPECT_FALSE(
        CanStorePassword("\x0A"
                         "abc"));               // leading vertical tab
    EXPECT_FALSE(CanStorePassword("abc\x0B"));  // trailing form feed
    EXPECT_FALSE(
        CanStorePassword("\x19"
                         "abc"));               // leading Ctrl-Z
    EXPECT_FALSE(CanStorePassword("abc\x19"));  // trailing Ctrl-Z
    // A clear space is stored as '!' and is harmless at either end.
    EXPECT_TRUE(CanStorePassword(" abc "));
}

TEST(CanStorePassword, RefusesFormsInMatchingQuotes) {
    EXPECT_FALSE(CanStorePassword("!abc!"));  // stored "\"bcd\""
    EXPECT_FALSE(CanStorePassword("&abc&"));  // stored "'bcd'"
    EXPECT_FALSE(CanStorePassword("!!"));     // stored "\"\"", reads back empty
    EXPECT_FALSE(CanStorePassword("&&"));
}

TEST(CanStorePassword, RefusesAFormThatReadsAsThePlaceholder) {
    ASSERT_EQ(EncodeText("Mns\x1FRds"), "Not Set");
    EXPECT_FALSE(CanStorePassword("Mns\x1FRds"));
}

TEST(CanStorePassword, OnMultiByteCodePagesAcceptsOnlyBytesThatStayAscii) {
    EXPECT_TRUE(CanStorePassword("secret~1", false));      // '~' is stored as DEL, still ASCII
    EXPECT_FALSE(CanStorePassword("abc\x7F", false));      // stored as 0x80, no character there
    EXPECT_FALSE(CanStorePassword("caf\xC3\xA9", false));  // UTF-8 bytes, raised, are no text
    EXPECT_TRUE(CanStorePassword("caf\xE9", true));
    EXPECT_FALSE(CanStorePassword("a\tb", false));  // the other rules still hold
}

}  // namespace settings
