#include "common/messages.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(MessagesFill, ReplacesEachPlaceholderOnceAndLeavesTheRest) {
    EXPECT_EQ(messages::Fill(messages::kNotFoundReply, {{messages::kCallsign, "AB1CD"}}),
              "AB1CD not found in lookup database|");
    EXPECT_EQ(messages::Fill("<folder>\\<folder>", {{messages::kFolder, "C:\\x"}}), "C:\\x\\C:\\x");
    // A value holding a placeholder is taken as it is.
    EXPECT_EQ(messages::Fill("<callsign> <folder>",
                             {{messages::kCallsign, "<folder>"}, {messages::kFolder, "F"}}),
              "<folder> F");
    // No value given: the placeholder stays; a partial placeholder is plain text.
    EXPECT_EQ(messages::Fill("<callsign><call", {}), "<callsign><call");
    EXPECT_EQ(messages::Fill("", {{messages::kCallsign, "X"}}), "");
}

TEST(MessagesTable, EveryTextIsListedOnceUnderItsOwnName) {
    std::set<std::string> names;
    std::set<std::string> texts;
    for (const auto& m : messages::kAll) {
        EXPECT_TRUE(names.insert(m.name).second) << m.name;
        EXPECT_TRUE(texts.insert(m.text).second) << m.name;
        EXPECT_FALSE(std::string(m.text).empty()) << m.name;
    }
    EXPECT_EQ(std::string(messages::kAll[0].name), "kWatchdog");
}
