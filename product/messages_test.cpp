#include "product/messages.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace product {

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

// Two names for one text would be two places to change it. (Two texts under one name do not
// compile: each name is a constant of its own.)
TEST(MessagesTable, EveryTextIsListedOnceUnderItsOwnName) {
    std::set<std::string> texts;
    for (const auto& m : messages::kAll) {
        EXPECT_TRUE(texts.insert(m.text).second) << m.name;
        EXPECT_FALSE(std::string(m.text).empty()) << m.name;
    }
    EXPECT_EQ(std::string(messages::kAll[0].name), "kWatchdog");
}

// The files are named by their whole path, one placeholder each, so that the path the program
// uses is the path the box shows; the texts still read as the guide quotes them.
TEST(MessagesFill, FilePathsAreFilledWhole) {
    EXPECT_EQ(messages::Fill(messages::kAccountError,
                             {{messages::kSettingsPath, "C:\\Prog\\QuendixLookup.ini"}}),
              "Error with User Name or Password\r\nDelete C:\\Prog\\QuendixLookup.ini\r\n"
              "And re-enter your information.");
    EXPECT_EQ(std::string(messages::kCouldNotCreateSettings),
              "Could not create <folder>\\QuendixLookup.ini\r\n"
              "Put the program in a folder you can write to.");
    EXPECT_EQ(std::string(messages::kCouldNotWriteSettings),
              "Could not write <folder>\\QuendixLookup.ini");
    EXPECT_EQ(messages::Fill(messages::kCouldNotWriteReply,
                             {{messages::kReplyPath, "D:\\Log\\Lookup.dat"},
                              {messages::kSystemMessage, "Access denied."}}),
              "Could not write D:\\Log\\Lookup.dat\r\nAccess denied.");
}

}  // namespace product
