// The user's guide (docs/ReadMe.txt) against the program's own texts.
//
// The guide quotes every message box and replacement reply text in one form: each line of the
// text, as the box or the reply file shows it, stands on a guide line of its own between double
// quotes, and a box's lines follow the guide line that names its title (Title "<caption>":).
// Indentation before the opening quote is free; spaces inside the quotes are the text's own
// (leading spaces kept). A text breaks into lines at CR LF or at a lone CR; a line break at the
// very end of a text shows no further line. Placeholders such as <callsign> stay as they are.
#include "product/messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
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

// The guide line without its indentation when it is a quotation (it then begins and ends
// with '"'); empty otherwise.
std::string Quotation(const std::string& raw) {
    const std::size_t first = raw.find_first_not_of(' ');
    if (first == std::string::npos) {
        return std::string();
    }
    const std::string line = raw.substr(first);
    return line.size() >= 2 && line.front() == '"' && line.back() == '"' ? line : std::string();
}

// A box's text as the guide quotes it: a run of quotation lines, each line of the text between
// double quotes, and the title named on the guide line just before the run
// (Title "<caption>":), or none.
struct QuotedText {
    std::string title;  // empty: no title line before it
    std::vector<std::string> lines;
};

std::vector<QuotedText> QuotedTexts(const std::string& guide) {
    static const std::string kTitleStart = "Title \"";
    static const std::string kTitleEnd = "\":";
    std::vector<QuotedText> texts;
    std::string lineBefore;
    bool inRun = false;
    for (const std::string& raw : ShownLines(guide)) {
        const std::string quoted = Quotation(raw);
        if (quoted.empty()) {
            inRun = false;
            const std::size_t first = raw.find_first_not_of(' ');
            lineBefore = first == std::string::npos ? std::string() : raw.substr(first);
            continue;
        }
        if (!inRun) {
            QuotedText text;
            if (lineBefore.size() > kTitleStart.size() + kTitleEnd.size() &&
                lineBefore.compare(0, kTitleStart.size(), kTitleStart) == 0 &&
                lineBefore.compare(lineBefore.size() - kTitleEnd.size(), kTitleEnd.size(),
                                   kTitleEnd) == 0) {
                text.title = lineBefore.substr(
                    kTitleStart.size(), lineBefore.size() - kTitleStart.size() - kTitleEnd.size());
            }
            texts.push_back(text);
            inRun = true;
        }
        texts.back().lines.push_back(quoted.substr(1, quoted.size() - 2));
    }
    return texts;
}

// The caption of the box that shows each text; null for the reply texts, which no box shows.
// A text added to product/messages.h must be added here too: the guide must quote it under its
// box's title.
const char* CaptionOf(const std::string& name) {
    namespace m = product::messages;
    static const std::map<std::string, const char*> kCaptions = {
        {"kWatchdog", m::kWatchdogCaption},
        {"kAccountNotice", m::kAppTitle},
        {"kCannotStorePassword", m::kAppTitle},
        {"kCannotStoreUserName", m::kAppTitle},
        {"kAccountError", m::kAppTitle},
        {"kCouldNotWriteReply", m::kAppTitle},
        {"kCouldNotCreateSettings", m::kAppTitle},
        {"kCouldNotWriteSettings", m::kAppTitle},
        {"kUpdateAvailable", m::kUpdateCaption},
        {"kDownloadConfirm", m::kDownloadCaption},
        {"kNotFoundReply", nullptr},
        {"kNoSessionReply", nullptr},
    };
    const auto found = kCaptions.find(name);
    return found == kCaptions.end() ? "<unknown>" : found->second;
}

}  // namespace

TEST(GuideQuoting, SplitsLinesAsABoxShowsThem) {
    EXPECT_EQ(ShownLines("a\r\nb\rc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(ShownLines("     x!\r"), (std::vector<std::string>{"     x!"}));
    EXPECT_EQ(ShownLines("a\r\rb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(ShownLines("one"), (std::vector<std::string>{"one"}));
}

TEST(GuideQuoting, TiesEachRunOfQuotationsToTheTitleBeforeIt) {
    const auto texts = QuotedTexts(
        "  Title \"Box\":\r\n    \"  lead\"\r\n    \"two\"\r\nCause: x\r\n"
        "plain \"x\" text\r\n\"\"\r\n  Title \"Other\": more\r\n  \"a\"\r\n  \"c\"  \r\n"
        "  Title \"Last\":\r\n\r\n  \"b\"\r\n");
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].title, "Box");
    EXPECT_EQ(texts[0].lines, (std::vector<std::string>{"  lead", "two"}));
    EXPECT_EQ(texts[1].title, "");
    EXPECT_EQ(texts[1].lines, (std::vector<std::string>{""}));
    // A title line with more after it, or a blank line between, names no title; a line with
    // anything after its closing quote is no quotation.
    EXPECT_EQ(texts[2].title, "");
    EXPECT_EQ(texts[2].lines, (std::vector<std::string>{"a"}));
    EXPECT_EQ(texts[3].title, "");
    EXPECT_EQ(texts[3].lines, (std::vector<std::string>{"b"}));
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

// Every text, all its lines in order, quoted under the title of the box that shows it (a reply
// text under no title); and every text quoted under a title is a text of that box.
TEST(UsersGuide, QuotesEveryTextUnderItsTitle) {
    const std::string guide = ReadGuide();
    ASSERT_FALSE(guide.empty()) << "cannot read " << QUENDIX_GUIDE_PATH;
    const std::vector<QuotedText> quoted = QuotedTexts(guide);
    for (const auto& message : product::messages::kAll) {
        const char* caption = CaptionOf(message.name);
        ASSERT_STRNE(caption, "<unknown>") << message.name << ": which box shows it?";
        const std::string title = caption ? caption : "";
        const std::vector<std::string> lines = ShownLines(message.text);
        const bool found = std::any_of(quoted.begin(), quoted.end(), [&](const QuotedText& q) {
            return q.title == title && q.lines == lines;
        });
        EXPECT_TRUE(found) << message.name << ": the guide does not quote it whole under "
                           << (caption ? "Title \"" + title + "\":" : "no title");
    }
    for (const QuotedText& q : quoted) {
        if (q.title.empty()) {
            continue;
        }
        const bool known =
            std::any_of(std::begin(product::messages::kAll), std::end(product::messages::kAll),
                        [&](const product::messages::NamedText& m) {
                            const char* caption = CaptionOf(m.name);
                            return caption && q.title == caption && q.lines == ShownLines(m.text);
                        });
        EXPECT_TRUE(known) << "the guide quotes under Title \"" << q.title
                           << "\": a text no box of that title shows: \"" << q.lines[0] << "\"";
    }
}
