#include "settings/profile_section.h"

#include <gtest/gtest.h>

#include <string>

namespace settings {
namespace {

using namespace std::string_literals;

// Entries as GetPrivateProfileSectionA hands them over: each ended by a NUL.
std::string Entries(std::initializer_list<std::string> lines) {
    std::string s;
    for (const std::string& line : lines) {
        s += line;
        s += '\0';
    }
    return s;
}

TEST(ValueFromSection, FirstEntryOfTheKeyInAnyCaseCounts) {
    const std::string entries =
        Entries({"UserName=K1ABC", "log=1", "Log=0", "LogFile=x", "=nameless", "Proxy"});
    EXPECT_EQ(ValueFromSection(entries, "UserName", 255), "K1ABC");
    EXPECT_EQ(ValueFromSection(entries, "USERNAME", 255), "K1ABC");
    EXPECT_EQ(ValueFromSection(entries, "Log", 255), "1") << "the first of two lines counts";
    EXPECT_EQ(ValueFromSection(entries, "Proxy", 1024), "") << "a line without '='";
    EXPECT_EQ(ValueFromSection(entries, "Password", 255), "") << "a key not there";
    EXPECT_EQ(ValueFromSection(entries, "Lo", 255), "") << "a name is matched whole";
    EXPECT_EQ(ValueFromSection("", "Log", 255), "") << "an empty or missing section";
    // A line without '=' hides a later line of the same key, as it does for the key's own read.
    EXPECT_EQ(ValueFromSection(Entries({"Log", "Log=1"}), "Log", 255), "");
    // Only ASCII letters fold: a Windows-1252 letter is not its ASCII look-alike.
    EXPECT_EQ(ValueFromSection(Entries({"L\xF6g=1"}), "Log", 255), "");
    // What follows the first '=' is the value, '=' and all.
    EXPECT_EQ(ValueFromSection(Entries({"LookupURL=http://a/?x=1"}), "LookupURL", 255),
              "http://a/?x=1");
    // A last entry the buffer ended without its NUL still counts.
    EXPECT_EQ(ValueFromSection("Log=1", "Log", 255), "1");
}

TEST(ValueFromSection, MatchingQuotesAroundTheValueGo) {
    const auto value = [](const std::string& v) {
        return ValueFromSection(Entries({"Key=" + v}), "Key", 255).value_or("(none)");
    };
    EXPECT_EQ(value("\"a b\""), "a b");
    EXPECT_EQ(value("'a b'"), "a b");
    EXPECT_EQ(value("\" a \""), " a ") << "blanks inside the quotes stay";
    EXPECT_EQ(value("\"\""), "");
    EXPECT_EQ(value("''"), "");
    EXPECT_EQ(value("'a'b'"), "a'b");
    EXPECT_EQ(value("\"a'"), "\"a'") << "quotes that do not match stay";
    EXPECT_EQ(value("\"a"), "\"a");
    EXPECT_EQ(value("a\""), "a\"");
    EXPECT_EQ(value("\""), "\"") << "one quote alone stays";
    EXPECT_EQ(value("'"), "'");
    EXPECT_EQ(value("\"\"\""), "\"");
}

// A value the key's own read would cut (bufferSize - 1 bytes or more) is left to that read; one
// byte shorter is given whole, quotes or not.
TEST(ValueFromSection, AValueThatMayBeCutIsLeftToTheKeysOwnRead) {
    const auto value = [](const std::string& v, std::size_t size) {
        return ValueFromSection(Entries({"Key=" + v}), "Key", size);
    };
    EXPECT_EQ(value(std::string(253, 'x'), 255), std::string(253, 'x'));
    EXPECT_EQ(value(std::string(254, 'x'), 255), std::nullopt);
    EXPECT_EQ(value(std::string(2000, 'x'), 255), std::nullopt);
    EXPECT_EQ(value("\"" + std::string(251, 'x') + "\"", 255), std::string(251, 'x'));
    EXPECT_EQ(value("\"" + std::string(252, 'x') + "\"", 255), std::nullopt);
    EXPECT_EQ(value(std::string(1022, 'x'), 1024), std::string(1022, 'x'));
    EXPECT_EQ(value(std::string(1023, 'x'), 1024), std::nullopt);
    // Only the key asked for: a long value of another key does not matter.
    EXPECT_EQ(ValueFromSection(Entries({"Other=" + std::string(5000, 'x'), "Key=1"}), "Key", 255),
              "1");
}

}  // namespace
}  // namespace settings
