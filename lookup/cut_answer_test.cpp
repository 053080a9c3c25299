#include "lookup/cut_answer.h"

#include <gtest/gtest.h>

#include <string>

#include "lookup/request.h"
#include "record/call_record.h"
#include "record/worked_example_test.h"

namespace lookup {
namespace {

// The extended message the program builds from an answer, as it is kept.
std::string MessageOf(const std::string& body) {
    const record::CallRecord r = record::ParseAnswer(body);
    return ExtendedMessage(record::ReplyLine(r), r);
}

bool Cut(const std::string& body, const std::string& keptBody) {
    return SeemsCutShortOf(body, MessageOf(body), MessageOf(keptBody));
}

// Every beginning of the answer that still has its head and a field is taken as cut off from
// the whole one; the whole one, and the same answer with trailing bytes that show nothing, are
// not.
TEST(CutAnswer, EveryBeginningOfTheKeptAnswerIsCut) {
    const std::string whole = record::WorkedExampleAnswer();
    const std::size_t firstTag = whole.find('\xB8');
    for (std::size_t n = firstTag + 1; n < whole.find('\xBB'); ++n) {
        const std::string part = whole.substr(0, n);
        EXPECT_TRUE(Cut(part, whole)) << n << " bytes: " << MessageOf(part);
    }
    EXPECT_FALSE(Cut(whole, whole));
    EXPECT_FALSE(Cut(whole.substr(0, whole.find('\xBB') + 3), whole)) << "only a skipped field";
    // The issue's own example: 30 bytes, up to the address.
    EXPECT_TRUE(Cut(whole.substr(0, 30), whole));
}

TEST(CutAnswer, AChangedRecordIsNotCut) {
    const std::string whole = record::WorkedExampleAnswer();
    // A field it carries shows otherwise.
    std::string moved = whole.substr(0, 30);
    moved.replace(moved.find("12 ELM ST"), 9, "9 OAK AVE");
    EXPECT_FALSE(Cut(moved, whole));
    std::string renamed = whole.substr(0, 20);
    renamed.replace(renamed.find("JANE"), 4, "JOHN");
    EXPECT_FALSE(Cut(renamed, whole));
    // A field the kept answer does not show.
    EXPECT_FALSE(Cut(whole.substr(0, 30) + "\xCF" + "jane@example.org", whole));
    // Only the last field may hold a beginning: an earlier one must be whole.
    const std::string shortName =
        std::string("N0CALL") + "\xB8" + "JA" + "\xB9" + "Q" + "\xBA" + "SAMPLE";
    EXPECT_FALSE(Cut(shortName, whole));
    // A kept answer with less than this one is replaced, not given.
    EXPECT_FALSE(Cut(whole, whole.substr(0, 30)));
    // Another callsign's answer.
    std::string other = whole.substr(0, 30);
    other.replace(0, 6, "K1ABC");
    EXPECT_FALSE(Cut(other, whole));
}

TEST(CutAnswer, FieldsAreComparedByTheTagsCarried) {
    const std::string whole = record::WorkedExampleAnswer();
    // Carried in another order, all equal, the coordinates not carried (they read 0 in the
    // line, while the kept answer has them): cut.
    const std::string reordered = std::string("N0CALL") + "\xBC" + "12 ELM ST" + "\xB8" + "JANE";
    EXPECT_TRUE(Cut(reordered, whole));
    // A coordinate cut before its first digit shows as 0: still a beginning.
    EXPECT_TRUE(Cut(whole.substr(0, whole.find('\xC8') + 1), whole));
    EXPECT_TRUE(Cut(whole.substr(0, whole.find('\xC9') + 2), whole));  // "8" of "88.1"
    // A coordinate that differs is a changed record.
    std::string moved = whole.substr(0, whole.find('\xC9'));
    moved.replace(moved.find("42.25"), 5, "41.25");
    EXPECT_FALSE(Cut(moved, whole));
    // The name field is shared: the middle name alone need only be within the kept name, the
    // last name alone too; a last name that is not there is a change.
    EXPECT_TRUE(Cut(std::string("N0CALL") + "\xB9" + "Q" + "\xB8" + "JANE", whole));
    EXPECT_TRUE(Cut(std::string("N0CALL") + "\xBA" + "SAMPLE" + "\xB8" + "JANE", whole));
    EXPECT_FALSE(Cut(std::string("N0CALL") + "\xBA" + "SMITH" + "\xB8" + "JANE", whole));
    // A field neither line shows (the birth date) is not compared.
    EXPECT_TRUE(Cut(std::string("N0CALL") + "\xC2" + "1970" + "\xB8" + "JANE", whole));
}

}  // namespace
}  // namespace lookup
