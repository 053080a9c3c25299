#include "record/call_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace record {

namespace {

// One byte of the answer, given by its code (tags are bytes from 0xB4 on).
std::string B(unsigned char code) {
    return std::string(1, static_cast<char>(code));
}

const std::string kWorkedAnswer =
    "N0CALL" + B(0xB8) + "JANE" + B(0xB9) + "Q" + B(0xBA) + "SAMPLE" + B(0xBC) + "12 ELM ST" +
    B(0xBF) + "ANYTOWN" + B(0xC0) + "IL" + B(0xC1) + "60000" + B(0xC6) + "LAKE" + B(0xD1) +
    "United States" + B(0xB6) + "E" + B(0xCA) + "EN52" + B(0xC8) + "42.25" + B(0xC9) + "88.1" +
    B(0xD0) + "BUREAU" + B(0xC3) + "01/15/2005" + B(0xC4) + "01/15/2015" + B(0xB7) + "X" + B(0xD3) +
    "Y" + B(0xC7) + "-6" + B(0xC5) + "11/02/2008" + B(0xBB) + "IGNORED";

const std::string kWorkedReply =
    "N0CALL|JANE|Q SAMPLE|12 ELM ST|ANYTOWN|IL|60000|United States|E||LAKE|EN52|42.25|-88.1|||"
    "BUREAU|";
const std::string kWorkedExtended = "|01/15/2005|01/15/2015|X||-6|11/02/2008";

CallRecord Parsed(const std::string& answer, const std::string& separator = ".") {
    return ParseAnswer(answer, separator);
}

std::size_t Bars(const std::string& line) {
    return static_cast<std::size_t>(std::count(line.begin(), line.end(), '|'));
}

}  // namespace

TEST(ParseAnswer, WorkedExampleFieldByField) {
    const CallRecord r = Parsed(kWorkedAnswer);
    EXPECT_EQ(r.callsign, "N0CALL");
    EXPECT_EQ(r.firstName, "JANE");
    EXPECT_EQ(r.middleName, "Q");
    EXPECT_EQ(r.lastName, "SAMPLE");
    EXPECT_EQ(r.address, "12 ELM ST");
    EXPECT_EQ(r.city, "ANYTOWN");
    EXPECT_EQ(r.state, "IL");
    EXPECT_EQ(r.postalCode, "60000");
    EXPECT_EQ(r.birthDate, "");
    EXPECT_EQ(r.latitude, 42.25);
    EXPECT_EQ(r.longitude, -88.1);
    EXPECT_EQ(r.county, "LAKE");
    EXPECT_EQ(r.country, "United States");
    EXPECT_EQ(r.previousCall, "");
    EXPECT_EQ(r.gridSquare, "EN52");
    EXPECT_EQ(r.qslManager, "BUREAU");
    EXPECT_EQ(r.licenseClass, "Extra");
    EXPECT_EQ(r.effectiveDate, "01/15/2005");
    EXPECT_EQ(r.expiryDate, "01/15/2015");
    EXPECT_EQ(r.codeA, "X");
    EXPECT_EQ(r.codeB, "Y");
    EXPECT_EQ(r.gmtOffset, "-6");
    EXPECT_EQ(r.lastModified, "11/02/2008");
    EXPECT_EQ(r.url, "");
    EXPECT_EQ(r.email, "");
}

TEST(ParseAnswer, RemainingTagsOfTheTable) {
    const CallRecord r = Parsed("K1ABC" + B(0xC2) + " 1970-01-01 " + B(0xCC) + " WA1XYZ" + B(0xCF) +
                                "a@example.org " + B(0xD2) + "http://example.org/x");
    EXPECT_EQ(r.birthDate, "1970-01-01");
    EXPECT_EQ(r.previousCall, "WA1XYZ");
    EXPECT_EQ(r.email, "a@example.org");
    EXPECT_EQ(r.url, "http://example.org/x");
}

TEST(ParseAnswer, PlainTextAnswers) {
    const CallRecord empty = Parsed("");
    EXPECT_EQ(empty.callsign, "");
    EXPECT_EQ(empty.firstName, "");
    EXPECT_EQ(empty.latitude, 0.0);
    EXPECT_EQ(empty.longitude, 0.0);

    const CallRecord notFound = Parsed("NOT FOUND");
    EXPECT_EQ(notFound.callsign, "NOT FOUND");
    EXPECT_EQ(notFound.firstName, "");
    EXPECT_EQ(notFound.licenseClass, "");
    EXPECT_EQ(ReplyLine(notFound), "NOT FOUND||||||||||||0|0||||");

    // Spaces around the head go; other white space inside stays.
    EXPECT_EQ(Parsed("   N0 CALL\t   ").callsign, "N0 CALL\t");
}

TEST(ParseAnswer, TagClassBoundaries) {
    // B3 belongs to the value, B4 opens an (unknown) field.
    const CallRecord r = Parsed("AB" + B(0xB3) + "C" + B(0xB4) + "skipped" + B(0xB8) + "JO" +
                                B(0xA0) + B(0x7F) + B(0x01));
    EXPECT_EQ(r.callsign, "AB" + B(0xB3) + "C");
    EXPECT_EQ(r.firstName, "JO" + B(0xA0) + B(0x7F) + B(0x01));

    // Of 80-9F only 81, 8D, 8F, 90 and 9D stay inside a value.
    for (int code = 0x80; code <= 0x9F; ++code) {
        const bool value =
            code == 0x81 || code == 0x8D || code == 0x8F || code == 0x90 || code == 0x9D;
        const CallRecord c = Parsed("K1" + B(0xBF) + "X" + B(code) + "Y");
        if (value) {
            EXPECT_EQ(c.city, "X" + B(code) + "Y") << std::hex << code;
        } else {
            EXPECT_EQ(c.city, "X") << std::hex << code;
        }
    }

    // A typographic apostrophe (92) ends an address; its rest is skipped.
    const CallRecord a = Parsed("K1" + B(0xBC) + "12 O" + B(0x92) + "HARA ST" + B(0xBF) + "CORK");
    EXPECT_EQ(a.address, "12 O");
    EXPECT_EQ(a.city, "CORK");
}

TEST(ParseAnswer, NulBytesAreSkippedFields) {
    std::string answer = "K1ABC" + B(0xB8) + "ANN" + std::string(5, '\0') + "junk" + B(0xBF) +
                         "TOWN" + std::string(1, '\0');
    const CallRecord r = Parsed(answer);
    EXPECT_EQ(r.callsign, "K1ABC");
    EXPECT_EQ(r.firstName, "ANN");
    EXPECT_EQ(r.city, "TOWN");
}

TEST(ParseAnswer, LaterFieldsReplaceEarlierOnes) {
    const CallRecord r = Parsed("OLD" + B(0xB8) + "A" + B(0xB5) + " NEW " + B(0xB8) + "B" +
                                B(0xC8) + "1" + B(0xC8) + "2" + B(0xB6) + "G" + B(0xB6) + "X");
    EXPECT_EQ(r.callsign, "NEW");
    EXPECT_EQ(r.firstName, "B");
    EXPECT_EQ(r.latitude, 2.0);
    EXPECT_EQ(r.licenseClass, "General");  // X matches no class

    // Two tags in a row: the first one's value is empty and replaces what was there.
    const CallRecord e = Parsed("K1" + B(0xB8) + "ANN" + B(0xB8) + B(0xB9) + "Q");
    EXPECT_EQ(e.firstName, "");
    EXPECT_EQ(e.middleName, "Q");
}

TEST(ParseAnswer, LicenceLetters) {
    const struct {
        const char* letter;
        const char* word;
        const char* replyLetter;
    } cases[] = {
        {"E", "Extra", "E"},
        {"A", "Advanced", "A"},
        {"G", "General", "G"},
        {"P", "Tech.Plus", "T"},
        {"T", "Technician", "T"},
        {"N", "Novice", "N"},
        {"E ", "", ""},
        {"e", "", ""},
        {"", "", ""},
        {"EX", "", ""},
        {" E", "", ""},
    };
    for (const auto& c : cases) {
        // An unknown tag after the letter keeps the end-of-answer trim away from it.
        const CallRecord r = Parsed("K1" + B(0xB6) + c.letter + B(0xBB));
        EXPECT_EQ(r.licenseClass, c.word) << '"' << c.letter << '"';
        const std::string reply = ReplyLine(r);
        EXPECT_EQ(reply, std::string("K1||||||||") + c.replyLetter + "||||0|0||||")
            << '"' << c.letter << '"';
    }
}

TEST(ParseAnswer, DollarSignIsAnOrdinaryCharacter) {
    const CallRecord r = Parsed("K1$" + B(0xBC) + "$5 LANE$" + B(0xBF) + "TOWN");
    EXPECT_EQ(r.callsign, "K1$");
    EXPECT_EQ(r.address, "$5 LANE$");
    EXPECT_EQ(r.city, "TOWN");
}

TEST(ParseAnswer, LineBreakAtTheEndStaysInTheRecordButNotInTheLines) {
    const CallRecord r = Parsed(kWorkedAnswer.substr(0, kWorkedAnswer.find(B(0xBB))) + "\r\n");
    EXPECT_EQ(r.lastModified, "11/02/2008\r\n");
    EXPECT_EQ(ExtendedLine(r), kWorkedExtended);

    const CallRecord q = Parsed("K1" + B(0xD0) + "BUREAU \r\n  ");
    EXPECT_EQ(q.qslManager, "BUREAU \r\n");
    EXPECT_EQ(ReplyLine(q), "K1||||||||||||0|0|||BUREAU |");
}

TEST(ParseAnswer, Coordinates) {
    const CallRecord r = Parsed("K1" + B(0xC8) + " -33.5 " + B(0xC9) + "-3.5\r\n");
    EXPECT_EQ(r.latitude, -33.5);
    EXPECT_EQ(r.longitude, 3.5);

    // A longitude of 0 is held as negative zero and written without a sign.
    const CallRecord z = Parsed("K1" + B(0xC9) + "0");
    EXPECT_EQ(z.longitude, 0.0);
    EXPECT_TRUE(std::signbit(z.longitude));
    EXPECT_EQ(ReplyLine(z), "K1||||||||||||0|0||||");

    const CallRecord p = Parsed("K1" + B(0xC8) + "39.7812345678901234");
    EXPECT_EQ(ReplyLine(p), "K1||||||||||||39.7812345678901|0||||");
}

TEST(ParseAnswer, BadCoordinateKeepsTheRestOfTheAnswer) {
    CallRecord r;
    r.latitude = 1.5;
    r.longitude = 2.5;
    std::string answer = "K1ABC" + B(0xC8) + "abc" + B(0xB8) + "ANN" + B(0xC9) + B(0xBF) + "TOWN" +
                         B(0xC8) + "nan" + B(0xC9) + "0x10" + B(0xC0) + "ME";
    ReadAnswer(answer, ".", r);
    EXPECT_EQ(r.latitude, 1.5);
    EXPECT_EQ(r.longitude, 2.5);
    EXPECT_EQ(r.callsign, "K1ABC");
    EXPECT_EQ(r.firstName, "ANN");
    EXPECT_EQ(r.city, "TOWN");
    EXPECT_EQ(r.state, "ME");
}

TEST(ParseAnswer, DecimalSeparatorOfTheUser) {
    // The service writes a point; a user with a decimal comma must still read 42.25.
    const CallRecord point = Parsed("K1" + B(0xC8) + "42.25" + B(0xC9) + "88.1", ",");
    EXPECT_EQ(point.latitude, 42.25);
    EXPECT_EQ(point.longitude, -88.1);
    EXPECT_EQ(ReplyLine(point, ","), "K1||||||||||||42,25|-88,1||||");
    EXPECT_EQ(ReplyLine(point, "."), "K1||||||||||||42.25|-88.1||||");

    const CallRecord comma = Parsed("K1" + B(0xC8) + "42,25" + B(0xC9) + "88,1", ",");
    EXPECT_EQ(comma.latitude, 42.25);
    EXPECT_EQ(comma.longitude, -88.1);

    // With the point as separator a comma is no number: the coordinate stays 0.
    const CallRecord plain = Parsed("K1" + B(0xC8) + "42,25" + B(0xB8) + "ANN");
    EXPECT_EQ(plain.latitude, 0.0);
    EXPECT_EQ(plain.firstName, "ANN");
}

TEST(ParseAnswer, SecondAnswerChangesOnlyWhatItCarries) {
    CallRecord r;
    std::string first = kWorkedAnswer;
    ReadAnswer(first, ".", r);
    std::string second = B(0xBF) + "OTHERTOWN";
    ReadAnswer(second, ".", r);
    EXPECT_EQ(r.callsign, "");  // the empty head still sets it
    EXPECT_EQ(r.city, "OTHERTOWN");
    EXPECT_EQ(r.firstName, "JANE");
    EXPECT_EQ(r.latitude, 42.25);
    EXPECT_EQ(r.licenseClass, "Extra");
}

TEST(ReplyLines, WorkedExample) {
    const CallRecord r = Parsed(kWorkedAnswer);
    EXPECT_EQ(ReplyLine(r), kWorkedReply);
    EXPECT_EQ(ExtendedLine(r), kWorkedExtended);
    EXPECT_EQ("CTTP|" + ReplyLine(r) + ExtendedLine(r),
              "CTTP|N0CALL|JANE|Q SAMPLE|12 ELM ST|ANYTOWN|IL|60000|United States|E||LAKE|EN52|"
              "42.25|-88.1|||BUREAU||01/15/2005|01/15/2015|X||-6|11/02/2008");
    // The builders only read: asking twice gives the same lines.
    EXPECT_EQ(ReplyLine(r), kWorkedReply);
}

TEST(ReplyLines, EmptyRecord) {
    const CallRecord r;
    EXPECT_EQ(ReplyLine(r), "||||||||||||0|0||||");
    EXPECT_EQ(ExtendedLine(r), "||||||");
}

TEST(ReplyLines, NameFieldAndTrimmedCodeA) {
    CallRecord r;
    r.lastName = "SAMPLE";
    EXPECT_EQ(ReplyLine(r), "||SAMPLE||||||||||0|0||||");
    r.lastName = "";
    r.middleName = "Q";
    EXPECT_EQ(ReplyLine(r), "||Q||||||||||0|0||||");
    r.codeA = "  X  ";
    r.codeB = "never";
    EXPECT_EQ(ExtendedLine(r), "|||X|||");
    // Other fields go in as stored, spaces included.
    r.city = " TOWN ";
    EXPECT_EQ(ReplyLine(r), "||Q|| TOWN ||||||||0|0||||");
}

TEST(ReplyLines, LineBreaksAndBarsCannotAddFieldsOrLines) {
    CallRecord r;
    r.callsign = "K1|X";
    r.address = "1 MAIN ST\r\nAPT 2";
    r.middleName = "Q\r\n";
    r.lastName = "\nSMITH|JONES";
    r.qslManager = "\r\nVIA|BUREAU\r\n";
    r.effectiveDate = "01/01|2000";
    r.codeA = " X\r\n";
    r.gmtOffset = "\r-5\n";
    r.lastModified = "12/31/2001\r\n";

    const std::string reply = ReplyLine(r);
    EXPECT_EQ(reply, "K1 X||Q SMITH JONES|1 MAIN ST  APT 2|||||||||0|0|||VIA BUREAU|");
    EXPECT_EQ(Bars(reply), 17u);
    EXPECT_EQ(reply.find_first_of("\r\n"), std::string::npos);

    const std::string extended = ExtendedLine(r);
    EXPECT_EQ(extended, "|01/01 2000||X||-5|12/31/2001");
    EXPECT_EQ(Bars(extended), 6u);

    // The record itself keeps what was stored.
    EXPECT_EQ(r.callsign, "K1|X");
    EXPECT_EQ(r.lastModified, "12/31/2001\r\n");
}

TEST(ReplyLines, ParsedValuesWithBreaksStayOneLine) {
    const CallRecord r = Parsed("K1" + B(0xBC) + "1 MAIN ST\r\n" + B(0xB9) + " Q\r\n" + B(0xB7) +
                                "X |\r\n" + B(0xD0) + "A|B\r\n");
    const std::string reply = ReplyLine(r);
    EXPECT_EQ(reply, "K1||Q|1 MAIN ST|||||||||0|0|||A B|");
    EXPECT_EQ(ExtendedLine(r), "|||X|||");
}

}  // namespace record

namespace record {
namespace {

// The fields of a line split at '|', the empty field after a trailing '|' included.
std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == '|') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

}  // namespace

// Every tag's field shows where PlaceInLines says, and nowhere else: a value given to one tag
// changes exactly that field of the two lines (or none, for a place of neither line).
TEST(FieldPlaces, EachTagShowsWherePlaceInLinesSays) {
    const CallRecord base = Parsed("K1ABC");
    const std::vector<std::string> baseReply = Split(ReplyLine(base));
    const std::vector<std::string> baseExtended = Split(ExtendedLine(base));
    int placed = 0;
    for (int code = 0x00; code <= 0xFF; ++code) {
        const unsigned char tag = static_cast<unsigned char>(code);
        if (IsValueByte(tag)) {
            continue;
        }
        std::vector<std::pair<int, int>> changed;  // (line, index): 0 reply, 1 extended
        for (const char* value : {"E", "7"}) {     // a licence letter, a number
            const CallRecord r = Parsed("K1ABC" + B(tag) + value);
            const std::vector<std::string> reply = Split(ReplyLine(r));
            const std::vector<std::string> extended = Split(ExtendedLine(r));
            for (std::size_t i = 0; i < reply.size(); ++i) {
                if (reply[i] != baseReply[i]) {
                    changed.emplace_back(0, static_cast<int>(i));
                }
            }
            for (std::size_t i = 0; i < extended.size(); ++i) {
                if (extended[i] != baseExtended[i]) {
                    changed.emplace_back(1, static_cast<int>(i));
                }
            }
        }
        const LinePlace place = PlaceInLines(tag);
        SCOPED_TRACE(code);
        if (place.line == LinePlace::Line::None) {
            EXPECT_TRUE(changed.empty());
            continue;
        }
        ++placed;
        ASSERT_FALSE(changed.empty());
        const int line = place.line == LinePlace::Line::Reply ? 0 : 1;
        for (const auto& c : changed) {
            EXPECT_EQ(c, std::make_pair(line, place.index));
        }
        EXPECT_TRUE(IsFieldTag(tag));
    }
    EXPECT_EQ(placed, 23) << "every kept tag but the birth date and the second code";
}

TEST(FieldPlaces, TagsOfAnAnswerInOrder) {
    EXPECT_EQ(FieldTagsOf("N0CALL"), std::vector<unsigned char>{kCallsignTag});
    EXPECT_EQ(FieldTagsOf("N0CALL" + B(0xB8) + "JANE" + B(0xBB) + "x" + B(0x00) + B(0xB8) + "  "),
              (std::vector<unsigned char>{kCallsignTag, 0xB8, 0xBB, 0x00, 0xB8}));
    // Spaces at the end go before the tags are read, as the parser takes them.
    EXPECT_EQ(FieldTagsOf("N0CALL" + B(0xB8) + "JANE   "),
              (std::vector<unsigned char>{kCallsignTag, 0xB8}));
}

}  // namespace record
