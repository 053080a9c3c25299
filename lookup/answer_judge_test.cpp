#include "lookup/answer_judge.h"

#include <gtest/gtest.h>

#include <string>

namespace lookup {
namespace {

// The worked example of the service's answer, built piece by piece (a hex escape would swallow
// the hex digits after it).
std::string WorkedBody() {
    return std::string("N0CALL") + "\xB8" + "JANE" + "\xB9" + "Q" + "\xBA" + "SAMPLE" + "\xBC" +
           "12 ELM ST" + "\xBF" + "ANYTOWN" + "\xC0" + "IL" + "\xC1" + "60000" + "\xC6" + "LAKE" +
           "\xD1" + "United States" + "\xB6" + "E" + "\xCA" + "EN52" + "\xC8" + "42.25" + "\xC9" +
           "88.1" + "\xD0" + "BUREAU" + "\xC3" + "01/15/2005" + "\xC4" + "01/15/2015" + "\xB7" +
           "X" + "\xD3" + "Y" + "\xC7" + "-6" + "\xC5" + "11/02/2008" + "\xBB" + "IGNORED";
}

// `body` must outlive the exchange, which only views it.
Exchange Whole(const std::string& body, unsigned long status = 200) {
    Exchange e;
    e.opened = true;
    e.status = status;
    e.body = body;
    e.announcedLength = body.size();
    return e;
}

TEST(ServiceAnswerShape, TheServiceAnswersAndItsNotices) {
    EXPECT_TRUE(LooksLikeServiceAnswer(WorkedBody()));
    EXPECT_TRUE(LooksLikeServiceAnswer("NOT FOUND"));
    EXPECT_TRUE(LooksLikeServiceAnswer("ERROR"));
    EXPECT_TRUE(LooksLikeServiceAnswer("ERROR: NOT FOUND"));
    EXPECT_TRUE(LooksLikeServiceAnswer("ERROR: Invalid username or password\r\n"));
    EXPECT_TRUE(LooksLikeServiceAnswer("N0CALL NOT FOUND"));
    // Blanks and line breaks around the head, a portable call, a field the record keeps only
    // after ones it skips.
    EXPECT_TRUE(LooksLikeServiceAnswer(" \r\nN0CALL\t\r\n\xB8JANE"));
    EXPECT_TRUE(LooksLikeServiceAnswer("DL/N0CALL/P\xB8JANE"));
    EXPECT_TRUE(LooksLikeServiceAnswer(std::string("N0CALL") + '\0' +
                                       "\xBB"
                                       "x"
                                       "\xD3Y"));
}

TEST(ServiceAnswerShape, PagesAndTextAreNot) {
    // Markup, even when it says ERROR or NOT FOUND (a CDN's 403 page, a 404 page).
    EXPECT_FALSE(LooksLikeServiceAnswer(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<HTML><HEAD><TITLE>"
        "ERROR: The request could not be satisfied</TITLE></HEAD></HTML>"));
    EXPECT_FALSE(LooksLikeServiceAnswer("\r\n  <html><body>404 NOT FOUND</body></html>"));
    // A captive portal's sign-in page in Windows-1252 and in UTF-8.
    EXPECT_FALSE(
        LooksLikeServiceAnswer("<html><head><title>Hotel W\xEF"
                               "Fi</title></head><body>Willkommen! Bitte "
                               "anmelden: Zimmernummer \xBB Nachname</body></html>"));
    EXPECT_FALSE(LooksLikeServiceAnswer(
        "<!DOCTYPE html><html lang=\"de\"><title>Anmeldung</title><p>Gr\xC3\xBC\xC3\x9F"
        "e aus dem Zug \xE2\x80\x93 bitte anmelden</p></html>"));
    // Plain text lines: no word head, or a UTF-8 word whose bytes would read as tags.
    EXPECT_FALSE(LooksLikeServiceAnswer("Service Unavailable"));
    EXPECT_FALSE(LooksLikeServiceAnswer("Bad Gateway\r\n"));
    EXPECT_FALSE(LooksLikeServiceAnswer("St\xC3\xB6rung"));  // "Störung": C3 is a tag byte
    EXPECT_FALSE(
        LooksLikeServiceAnswer("\xC3\x89"
                               "CHEC \xC3\x89"
                               "RROR"));                         // UTF-8 ERROR
    EXPECT_FALSE(LooksLikeServiceAnswer("\xEF\xBB\xBFN0CALL"));  // a UTF-8 byte-order mark
    // Windows-1252 text: skipped tags only, or a head of more than a word.
    EXPECT_FALSE(LooksLikeServiceAnswer("St\xF6rung"));
    EXPECT_FALSE(LooksLikeServiceAnswer("Wartung bis 12:00 \xD0 danke"));
    // The accepted costs: a bare callsign with no field, a word with only skipped fields.
    EXPECT_FALSE(LooksLikeServiceAnswer("N0CALL"));
    EXPECT_FALSE(LooksLikeServiceAnswer("N0CALL\xBBIGNORED"));
    EXPECT_FALSE(LooksLikeServiceAnswer(std::string("\xB8JANE")));  // no head at all
}

TEST(JudgeExchange, WhatTheServiceSaid) {
    const std::string worked = WorkedBody();
    EXPECT_EQ(JudgeExchange(Whole(worked)), Verdict::Answered);
    EXPECT_EQ(JudgeExchange(Whole("NOT FOUND")), Verdict::Answered);
    // A 4xx answer in the service's shape is the service's; its HTML page is not.
    EXPECT_EQ(JudgeExchange(Whole("NOT FOUND", 404)), Verdict::Answered);
    EXPECT_EQ(JudgeExchange(Whole("ERROR: bad password", 401)), Verdict::Answered);
    EXPECT_EQ(JudgeExchange(Whole("<html><title>403 ERROR</title></html>", 403)),
              Verdict::NotAnAnswer);
    // A sign-in page with a 200 is no answer either.
    EXPECT_EQ(JudgeExchange(Whole("<!DOCTYPE html><html>Sign in</html>")), Verdict::NotAnAnswer);

    // No answer at all.
    Exchange closed;
    EXPECT_EQ(JudgeExchange(closed), Verdict::NotReached);
    EXPECT_EQ(JudgeExchange(Whole(worked, 500)), Verdict::NotReached);
    EXPECT_EQ(JudgeExchange(Whole(worked, 503)), Verdict::NotReached);
    EXPECT_EQ(JudgeExchange(Whole("denied", 407)), Verdict::NotReached);
    EXPECT_EQ(JudgeExchange(Whole("")), Verdict::NotReached);
    EXPECT_EQ(JudgeExchange(Whole(" \r\n")), Verdict::NotReached);
    EXPECT_EQ(JudgeExchange(Whole("\t \n\n")), Verdict::NotReached);
}

TEST(JudgeExchange, CutShort) {
    const std::string worked = WorkedBody();
    const std::string part = worked.substr(0, 30);  // "N0CALL" up to the address
    Exchange e = Whole(part);
    e.announcedLength = worked.size();
    EXPECT_EQ(JudgeExchange(e), Verdict::CutOff) << "an orderly close before the announced end";
    e.announcedLength.reset();
    EXPECT_EQ(JudgeExchange(e), Verdict::Answered) << "nothing announced: the end is the end";
    e = Whole(part);
    e.readFailed = true;
    EXPECT_EQ(JudgeExchange(e), Verdict::CutOff);
    // Stopping at the program's own limit is not a cut.
    e = Whole(part);
    e.announcedLength = 5u * 1024 * 1024;
    e.capped = true;
    EXPECT_EQ(JudgeExchange(e), Verdict::Answered);
    // The junk rules come first: a cut page is still no answer, cut blanks still nothing.
    const std::string page = "<html><body>Sign";
    e = Whole(page);
    e.announcedLength = 4000;
    EXPECT_EQ(JudgeExchange(e), Verdict::NotAnAnswer);
    const std::string blanks = "  ";
    e = Whole(blanks);
    e.readFailed = true;
    EXPECT_EQ(JudgeExchange(e), Verdict::NotReached);
}

TEST(JudgeExchange, OnlyAWhole2xxAnswerChangesWhatIsKept) {
    EXPECT_TRUE(MayChangeKept(Verdict::Answered, 200));
    EXPECT_TRUE(MayChangeKept(Verdict::Answered, 203));
    EXPECT_FALSE(MayChangeKept(Verdict::Answered, 404));
    EXPECT_FALSE(MayChangeKept(Verdict::Answered, 302));
    EXPECT_FALSE(MayChangeKept(Verdict::CutOff, 200));
    EXPECT_FALSE(MayChangeKept(Verdict::NotAnAnswer, 200));
    EXPECT_FALSE(MayChangeKept(Verdict::NotReached, 200));
}

}  // namespace
}  // namespace lookup
