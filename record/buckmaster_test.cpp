#include "record/buckmaster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

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

Buckmaster Parsed(std::string answer, const std::string& separator = ".") {
    Buckmaster record(separator);
    record.ParseBuckmaster(answer);
    return record;
}

std::size_t Bars(const std::string& line) {
    return static_cast<std::size_t>(std::count(line.begin(), line.end(), '|'));
}

}  // namespace

TEST(BuckmasterRecord, StartsEmptyAndKeepsEachPropertyApart) {
    Buckmaster r;
    EXPECT_EQ(r.Callsign(), "");
    EXPECT_EQ(r.SearchCall(), "");
    EXPECT_EQ(r.LicenseClass(), "");
    EXPECT_EQ(r.Latitude(), 0.0);
    EXPECT_EQ(r.Longitude(), 0.0);

    r.SetSearchCall("1");
    r.SetEffdate("2");
    r.SetEXPdate("3");
    r.SetCodeA("4");
    r.SetCodeB("5");
    r.SetGMTOffset("6");
    r.SetLastModed("7");
    r.SetCallsign("8");
    r.SetFirstName("9");
    r.SetLastName("10");
    r.SetMiddleName("11");
    r.SetAddress("12");
    r.SetCity("13");
    r.SetState("14");
    r.SetPostalCode("15");
    r.SetBirthDate("16");
    r.SetLatitude(17.5);
    r.SetLongitude(-18.5);
    r.SetCounty("19");
    r.SetCountry("20");
    r.SetPreviousCall("21");
    r.SetGridSquare("22");
    r.SetQSLManager("23");
    r.SetLicenseClass("24");
    r.SetURL("25");
    r.SetEmail(" 26 ");  // setters store as given, spaces included
    EXPECT_EQ(r.SearchCall(), "1");
    EXPECT_EQ(r.Effdate(), "2");
    EXPECT_EQ(r.EXPdate(), "3");
    EXPECT_EQ(r.CodeA(), "4");
    EXPECT_EQ(r.CodeB(), "5");
    EXPECT_EQ(r.GMTOffset(), "6");
    EXPECT_EQ(r.LastModed(), "7");
    EXPECT_EQ(r.Callsign(), "8");
    EXPECT_EQ(r.FirstName(), "9");
    EXPECT_EQ(r.LastName(), "10");
    EXPECT_EQ(r.MiddleName(), "11");
    EXPECT_EQ(r.Address(), "12");
    EXPECT_EQ(r.City(), "13");
    EXPECT_EQ(r.State(), "14");
    EXPECT_EQ(r.PostalCode(), "15");
    EXPECT_EQ(r.BirthDate(), "16");
    EXPECT_EQ(r.Latitude(), 17.5);
    EXPECT_EQ(r.Longitude(), -18.5);
    EXPECT_EQ(r.County(), "19");
    EXPECT_EQ(r.Country(), "20");
    EXPECT_EQ(r.PreviousCall(), "21");
    EXPECT_EQ(r.GridSquare(), "22");
    EXPECT_EQ(r.QSLManager(), "23");
    EXPECT_EQ(r.LicenseClass(), "24");
    EXPECT_EQ(r.URL(), "25");
    EXPECT_EQ(r.Email(), " 26 ");
}

TEST(BuckmasterParse, WorkedExampleFieldByField) {
    Buckmaster r;
    std::string answer = kWorkedAnswer;
    r.ParseBuckmaster(answer);
    EXPECT_EQ(answer, "");  // the answer is consumed
    EXPECT_EQ(r.Callsign(), "N0CALL");
    EXPECT_EQ(r.FirstName(), "JANE");
    EXPECT_EQ(r.MiddleName(), "Q");
    EXPECT_EQ(r.LastName(), "SAMPLE");
    EXPECT_EQ(r.Address(), "12 ELM ST");
    EXPECT_EQ(r.City(), "ANYTOWN");
    EXPECT_EQ(r.State(), "IL");
    EXPECT_EQ(r.PostalCode(), "60000");
    EXPECT_EQ(r.BirthDate(), "");
    EXPECT_EQ(r.Latitude(), 42.25);
    EXPECT_EQ(r.Longitude(), -88.1);
    EXPECT_EQ(r.County(), "LAKE");
    EXPECT_EQ(r.Country(), "United States");
    EXPECT_EQ(r.PreviousCall(), "");
    EXPECT_EQ(r.GridSquare(), "EN52");
    EXPECT_EQ(r.QSLManager(), "BUREAU");
    EXPECT_EQ(r.LicenseClass(), "Extra");
    EXPECT_EQ(r.Effdate(), "01/15/2005");
    EXPECT_EQ(r.EXPdate(), "01/15/2015");
    EXPECT_EQ(r.CodeA(), "X");
    EXPECT_EQ(r.CodeB(), "Y");
    EXPECT_EQ(r.GMTOffset(), "-6");
    EXPECT_EQ(r.LastModed(), "11/02/2008");
    EXPECT_EQ(r.URL(), "");
    EXPECT_EQ(r.Email(), "");
    EXPECT_EQ(r.SearchCall(), "");
}

TEST(BuckmasterParse, RemainingTagsOfTheTable) {
    const Buckmaster r = Parsed("K1ABC" + B(0xC2) + " 1970-01-01 " + B(0xCC) + " WA1XYZ" + B(0xCF) +
                                "a@example.org " + B(0xD2) + "http://example.org/x");
    EXPECT_EQ(r.BirthDate(), "1970-01-01");
    EXPECT_EQ(r.PreviousCall(), "WA1XYZ");
    EXPECT_EQ(r.Email(), "a@example.org");
    EXPECT_EQ(r.URL(), "http://example.org/x");
}

TEST(BuckmasterParse, PlainTextAnswers) {
    const Buckmaster empty = Parsed("");
    EXPECT_EQ(empty.Callsign(), "");
    EXPECT_EQ(empty.FirstName(), "");
    EXPECT_EQ(empty.Latitude(), 0.0);
    EXPECT_EQ(empty.Longitude(), 0.0);

    const Buckmaster notFound = Parsed("NOT FOUND");
    EXPECT_EQ(notFound.Callsign(), "NOT FOUND");
    EXPECT_EQ(notFound.FirstName(), "");
    EXPECT_EQ(notFound.LicenseClass(), "");
    EXPECT_EQ(notFound.ProcessInfo(), "NOT FOUND||||||||||||0|0||||");

    // Spaces around the head go; other white space inside stays.
    EXPECT_EQ(Parsed("   N0 CALL\t   ").Callsign(), "N0 CALL\t");
}

TEST(BuckmasterParse, TagClassBoundaries) {
    // B3 belongs to the value, B4 opens an (unknown) field.
    const Buckmaster r = Parsed("AB" + B(0xB3) + "C" + B(0xB4) + "skipped" + B(0xB8) + "JO" +
                                B(0xA0) + B(0x7F) + B(0x01));
    EXPECT_EQ(r.Callsign(), "AB" + B(0xB3) + "C");
    EXPECT_EQ(r.FirstName(), "JO" + B(0xA0) + B(0x7F) + B(0x01));

    // Of 80-9F only 81, 8D, 8F, 90 and 9D stay inside a value.
    for (int code = 0x80; code <= 0x9F; ++code) {
        const bool value =
            code == 0x81 || code == 0x8D || code == 0x8F || code == 0x90 || code == 0x9D;
        const Buckmaster c = Parsed("K1" + B(0xBF) + "X" + B(code) + "Y");
        if (value) {
            EXPECT_EQ(c.City(), "X" + B(code) + "Y") << std::hex << code;
        } else {
            EXPECT_EQ(c.City(), "X") << std::hex << code;
        }
    }

    // A typographic apostrophe (92) ends an address; its rest is skipped.
    const Buckmaster a = Parsed("K1" + B(0xBC) + "12 O" + B(0x92) + "HARA ST" + B(0xBF) + "CORK");
    EXPECT_EQ(a.Address(), "12 O");
    EXPECT_EQ(a.City(), "CORK");
}

TEST(BuckmasterParse, NulBytesAreSkippedFields) {
    std::string answer = "K1ABC" + B(0xB8) + "ANN" + std::string(5, '\0') + "junk" + B(0xBF) +
                         "TOWN" + std::string(1, '\0');
    const Buckmaster r = Parsed(answer);
    EXPECT_EQ(r.Callsign(), "K1ABC");
    EXPECT_EQ(r.FirstName(), "ANN");
    EXPECT_EQ(r.City(), "TOWN");
}

TEST(BuckmasterParse, LaterFieldsReplaceEarlierOnes) {
    const Buckmaster r = Parsed("OLD" + B(0xB8) + "A" + B(0xB5) + " NEW " + B(0xB8) + "B" +
                                B(0xC8) + "1" + B(0xC8) + "2" + B(0xB6) + "G" + B(0xB6) + "X");
    EXPECT_EQ(r.Callsign(), "NEW");
    EXPECT_EQ(r.FirstName(), "B");
    EXPECT_EQ(r.Latitude(), 2.0);
    EXPECT_EQ(r.LicenseClass(), "General");  // X matches no class

    // Two tags in a row: the first one's value is empty and replaces what was there.
    const Buckmaster e = Parsed("K1" + B(0xB8) + "ANN" + B(0xB8) + B(0xB9) + "Q");
    EXPECT_EQ(e.FirstName(), "");
    EXPECT_EQ(e.MiddleName(), "Q");
}

TEST(BuckmasterParse, LicenceLetters) {
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
        const Buckmaster r = Parsed("K1" + B(0xB6) + c.letter + B(0xBB));
        EXPECT_EQ(r.LicenseClass(), c.word) << '"' << c.letter << '"';
        const std::string reply = r.ProcessInfo();
        EXPECT_EQ(reply, std::string("K1||||||||") + c.replyLetter + "||||0|0||||")
            << '"' << c.letter << '"';
    }
}

TEST(BuckmasterParse, DollarSignIsAnOrdinaryCharacter) {
    const Buckmaster r = Parsed("K1$" + B(0xBC) + "$5 LANE$" + B(0xBF) + "TOWN");
    EXPECT_EQ(r.Callsign(), "K1$");
    EXPECT_EQ(r.Address(), "$5 LANE$");
    EXPECT_EQ(r.City(), "TOWN");
}

TEST(BuckmasterParse, LineBreakAtTheEndStaysInTheRecordButNotInTheLines) {
    const Buckmaster r = Parsed(kWorkedAnswer.substr(0, kWorkedAnswer.find(B(0xBB))) + "\r\n");
    EXPECT_EQ(r.LastModed(), "11/02/2008\r\n");
    EXPECT_EQ(r.ProcessExtendedInfo(), kWorkedExtended);

    const Buckmaster q = Parsed("K1" + B(0xD0) + "BUREAU \r\n  ");
    EXPECT_EQ(q.QSLManager(), "BUREAU \r\n");
    EXPECT_EQ(q.ProcessInfo(), "K1||||||||||||0|0|||BUREAU |");
}

TEST(BuckmasterParse, Coordinates) {
    const Buckmaster r = Parsed("K1" + B(0xC8) + " -33.5 " + B(0xC9) + "-3.5\r\n");
    EXPECT_EQ(r.Latitude(), -33.5);
    EXPECT_EQ(r.Longitude(), 3.5);

    // A longitude of 0 is held as negative zero and written without a sign.
    const Buckmaster z = Parsed("K1" + B(0xC9) + "0");
    EXPECT_EQ(z.Longitude(), 0.0);
    EXPECT_TRUE(std::signbit(z.Longitude()));
    EXPECT_EQ(z.ProcessInfo(), "K1||||||||||||0|0||||");

    const Buckmaster p = Parsed("K1" + B(0xC8) + "39.7812345678901234");
    EXPECT_EQ(p.ProcessInfo(), "K1||||||||||||39.7812345678901|0||||");
}

TEST(BuckmasterParse, BadCoordinateKeepsTheRestOfTheAnswer) {
    Buckmaster r;
    r.SetLatitude(1.5);
    r.SetLongitude(2.5);
    std::string answer = "K1ABC" + B(0xC8) + "abc" + B(0xB8) + "ANN" + B(0xC9) + B(0xBF) + "TOWN" +
                         B(0xC8) + "nan" + B(0xC9) + "0x10" + B(0xC0) + "ME";
    r.ParseBuckmaster(answer);
    EXPECT_EQ(answer, "");
    EXPECT_EQ(r.Latitude(), 1.5);
    EXPECT_EQ(r.Longitude(), 2.5);
    EXPECT_EQ(r.Callsign(), "K1ABC");
    EXPECT_EQ(r.FirstName(), "ANN");
    EXPECT_EQ(r.City(), "TOWN");
    EXPECT_EQ(r.State(), "ME");
}

TEST(BuckmasterParse, DecimalSeparatorOfTheUser) {
    // The service writes a point; a user with a decimal comma must still read 42.25.
    const Buckmaster point = Parsed("K1" + B(0xC8) + "42.25" + B(0xC9) + "88.1", ",");
    EXPECT_EQ(point.Latitude(), 42.25);
    EXPECT_EQ(point.Longitude(), -88.1);
    EXPECT_EQ(point.ProcessInfo(), "K1||||||||||||42,25|-88,1||||");

    const Buckmaster comma = Parsed("K1" + B(0xC8) + "42,25" + B(0xC9) + "88,1", ",");
    EXPECT_EQ(comma.Latitude(), 42.25);
    EXPECT_EQ(comma.Longitude(), -88.1);

    // With the point as separator a comma is no number: the coordinate stays 0.
    const Buckmaster plain = Parsed("K1" + B(0xC8) + "42,25" + B(0xB8) + "ANN");
    EXPECT_EQ(plain.Latitude(), 0.0);
    EXPECT_EQ(plain.FirstName(), "ANN");
}

TEST(BuckmasterParse, SecondAnswerChangesOnlyWhatItCarries) {
    Buckmaster r;
    std::string first = kWorkedAnswer;
    r.ParseBuckmaster(first);
    std::string second = B(0xBF) + "OTHERTOWN";
    r.ParseBuckmaster(second);
    EXPECT_EQ(r.Callsign(), "");  // the empty head still sets it
    EXPECT_EQ(r.City(), "OTHERTOWN");
    EXPECT_EQ(r.FirstName(), "JANE");
    EXPECT_EQ(r.Latitude(), 42.25);
    EXPECT_EQ(r.LicenseClass(), "Extra");
}

TEST(BuckmasterLines, WorkedExample) {
    const Buckmaster r = Parsed(kWorkedAnswer);
    EXPECT_EQ(r.ProcessInfo(), kWorkedReply);
    EXPECT_EQ(r.ProcessExtendedInfo(), kWorkedExtended);
    EXPECT_EQ("CTTP|" + r.ProcessInfo() + r.ProcessExtendedInfo(),
              "CTTP|N0CALL|JANE|Q SAMPLE|12 ELM ST|ANYTOWN|IL|60000|United States|E||LAKE|EN52|"
              "42.25|-88.1|||BUREAU||01/15/2005|01/15/2015|X||-6|11/02/2008");
    // The builders only read: asking twice gives the same lines.
    EXPECT_EQ(r.ProcessInfo(), kWorkedReply);
}

TEST(BuckmasterLines, EmptyRecord) {
    const Buckmaster r;
    EXPECT_EQ(r.ProcessInfo(), "||||||||||||0|0||||");
    EXPECT_EQ(r.ProcessExtendedInfo(), "||||||");
}

TEST(BuckmasterLines, NameFieldAndTrimmedCodeA) {
    Buckmaster r;
    r.SetLastName("SAMPLE");
    EXPECT_EQ(r.ProcessInfo(), "||SAMPLE||||||||||0|0||||");
    r.SetLastName("");
    r.SetMiddleName("Q");
    EXPECT_EQ(r.ProcessInfo(), "||Q||||||||||0|0||||");
    r.SetCodeA("  X  ");
    r.SetCodeB("never");
    EXPECT_EQ(r.ProcessExtendedInfo(), "|||X|||");
    // Other fields go in as stored, spaces included.
    r.SetCity(" TOWN ");
    EXPECT_EQ(r.ProcessInfo(), "||Q|| TOWN ||||||||0|0||||");
}

TEST(BuckmasterLines, LineBreaksAndBarsCannotAddFieldsOrLines) {
    Buckmaster r;
    r.SetCallsign("K1|X");
    r.SetAddress("1 MAIN ST\r\nAPT 2");
    r.SetMiddleName("Q\r\n");
    r.SetLastName("\nSMITH|JONES");
    r.SetQSLManager("\r\nVIA|BUREAU\r\n");
    r.SetEffdate("01/01|2000");
    r.SetCodeA(" X\r\n");
    r.SetGMTOffset("\r-5\n");
    r.SetLastModed("12/31/2001\r\n");

    const std::string reply = r.ProcessInfo();
    EXPECT_EQ(reply, "K1 X||Q SMITH JONES|1 MAIN ST  APT 2|||||||||0|0|||VIA BUREAU|");
    EXPECT_EQ(Bars(reply), 17u);
    EXPECT_EQ(reply.find_first_of("\r\n"), std::string::npos);

    const std::string extended = r.ProcessExtendedInfo();
    EXPECT_EQ(extended, "|01/01 2000||X||-5|12/31/2001");
    EXPECT_EQ(Bars(extended), 6u);

    // The record itself keeps what was stored.
    EXPECT_EQ(r.Callsign(), "K1|X");
    EXPECT_EQ(r.LastModed(), "12/31/2001\r\n");
}

TEST(BuckmasterLines, ParsedValuesWithBreaksStayOneLine) {
    const Buckmaster r = Parsed("K1" + B(0xBC) + "1 MAIN ST\r\n" + B(0xB9) + " Q\r\n" + B(0xB7) +
                                "X |\r\n" + B(0xD0) + "A|B\r\n");
    const std::string reply = r.ProcessInfo();
    EXPECT_EQ(reply, "K1||Q|1 MAIN ST|||||||||0|0|||A B|");
    EXPECT_EQ(r.ProcessExtendedInfo(), "|||X|||");
}
