// The user's guide (docs/ReadMe.txt) against the program's own texts.
//
// The guide quotes every message box and replacement reply text in one form: each line of the
// text, as the box or the reply file shows it, stands on a guide line of its own between double
// quotes. Indentation before the opening quote is free; spaces inside the quotes are the text's
// own (leading spaces kept). A text breaks into lines at CR LF or at a lone CR; a line break at
// the very end of a text shows no further line. Placeholders such as <callsign> stay as they are.
#include "product/messages.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

std::string ReadGuide() {
    std::ifstream in(QUENDIX_GUIDE_PATH, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The lines of a text as a box shows them: split at CR LF or a lone CR (or LF).
std::vector<std::string> ShownLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty() || lines.empty()) {
        lines.push_back(line);
    }
    return lines;
}

// Every guide line that is a quotation: after its indentation it begins and ends with '"'.
std::set<std::string> QuotedGuideLines(const std::string& guide) {
    std::set<std::string> quoted;
    for (const std::string& raw : ShownLines(guide)) {
        const std::size_t first = raw.find_first_not_of(' ');
        if (first == std::string::npos) {
            continue;
        }
        const std::string line = raw.substr(first);
        if (line.size() >= 2 && line.front() == '"' && line.back() == '"') {
            quoted.insert(line);
        }
    }
    return quoted;
}

}  // namespace

TEST(GuideQuoting, SplitsLinesAsABoxShowsThem) {
    EXPECT_EQ(ShownLines("a\r\nb\rc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(ShownLines("     x!\r"), (std::vector<std::string>{"     x!"}));
    EXPECT_EQ(ShownLines("a\r\rb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(ShownLines("one"), (std::vector<std::string>{"one"}));
    const auto quoted = QuotedGuideLines("  \"  lead\"\r\nplain \"x\" text\r\n\"\"\r\n\"a\"  \r\n");
    EXPECT_EQ(quoted, (std::set<std::string>{"\"  lead\"", "\"\""}));
}

TEST(UsersGuide, IsPlainAsciiText) {
    const std::string guide = ReadGuide();
    ASSERT_FALSE(guide.empty()) << "cannot read " << QUENDIX_GUIDE_PATH;
    std::size_t lineNumber = 1;
    for (const char c : guide) {
        const unsigned char byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(byte == '\n' || byte == '\r' || (byte >= 0x20 && byte < 0x7F))
            << "line " << lineNumber << ": byte " << static_cast<int>(byte);
        lineNumber += byte == '\n' ? 1 : 0;
    }
}

TEST(UsersGuide, QuotesEveryMessageLineByLine) {
    const std::string guide = ReadGuide();
    ASSERT_FALSE(guide.empty()) << "cannot read " << QUENDIX_GUIDE_PATH;
    const std::set<std::string> quoted = QuotedGuideLines(guide);
    for (const auto& message : product::messages::kAll) {
        for (const std::string& line : ShownLines(message.text)) {
            EXPECT_EQ(quoted.count('"' + line + '"'), 1u)
                << message.name << ": the guide has no line \"" << line << "\"";
        }
    }
}

TEST(UsersGuide, NamesTheTitleOfEveryBox) {
    const std::string guide = ReadGuide();
    ASSERT_FALSE(guide.empty()) << "cannot read " << QUENDIX_GUIDE_PATH;
    for (const char* caption :
         {product::messages::kAppTitle, product::messages::kWatchdogCaption,
          product::messages::kUpdateCaption, product::messages::kDownloadCaption}) {
        EXPECT_NE(guide.find(std::string("\"") + caption + "\""), std::string::npos) << caption;
    }
}
