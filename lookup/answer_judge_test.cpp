#include "lookup/answer_judge.h"

#include <gtest/gtest.h>

#include <string>

#include "record/worked_example_test.h"

namespace lookup {
namespace {

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
    EXPECT_TRUE(LooksLikeServiceAnswer(record::WorkedExampleAnswer()));
    EXPECT_TRUE(LooksLikeServiceAnswer("NOT FOUND"));
    EXPECT_TRUE(LooksLikeServiceAnswer("ERROR"));
    EXPECT_TRUE(LooksLikeServiceAnswer("ERROR: NOT FOUND"));
    EXPECT_TRUE(LooksLikeServiceAnswer("ERROR: Invalid username or password\r\n"));
    EXPECT_TRUE(LooksLikeServiceAnswer("N0CALL NOT FOUND\n"));
    EXPECT_TRUE(LooksLikeServiceAnswer("NOT FOUND\xB8\xBA\r\n"));  // a notice with empty fields
    EXPECT_TRUE(LooksLikeServiceAnswer(std::string(kMaxNoticeLine - 5, '.') + "ERROR\r\n"));
    // Blanks and line breaks around the head, a portable call, a field the record keeps only
    // after ones it skips.
    EXPECT_TRUE(LooksLikeServiceAnswer(" \r\nN0CALL\t\r\n\xB8JANE"));
    EXPECT_TRUE(LooksLikeServiceAnswer("DL/N0CALL/P\xB8JANE"));
    EXPECT_TRUE(LooksLikeServiceAnswer(std::string("N0CALL") + '\0' +
                                       "\xBB"
                                       "x"
                                       "\xD3Y"));
    // Empty fields whose tag bytes happen to pair up as UTF-8: an empty birth date before the
    // first name (C2 B8), an empty county before the last name (C6 BA).
    EXPECT_TRUE(LooksLikeServiceAnswer("N0CALL\xC2\xB8JANE\xB9Q\xC6\xBASAMPLE"));
    // A callsign of the longest length, and one of a digit and a letter.
    EXPECT_TRUE(LooksLikeServiceAnswer("VE3ABCDEFGHIJKLM/QRP\xB8JANE"));
    EXPECT_TRUE(LooksLikeServiceAnswer("4X\xB8JANE"));
}

TEST(ServiceAnswerShape, PagesAndTextAreNot) {
    // Markup, even when it says ERROR or NOT FOUND (a CDN's 403 page, a 404 page).
    EXPECT_FALSE(LooksLikeServiceAnswer(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<HTML><HEAD><TITLE>"
        "ERROR: The request could not be satisfied</TITLE></HEAD></HTML>"));
    EXPECT_FALSE(LooksLikeServiceAnswer("\r\n  <html><body>404 NOT FOUND</body></html>"));
    // ... and a one-line notice with markup after it.
    EXPECT_FALSE(LooksLikeServiceAnswer("ERROR <b>blocked</b>"));
    EXPECT_FALSE(LooksLikeServiceAnswer("ERROR<!-- filtered -->"));
    // A captive portal's sign-in page in Windows-1252 and in UTF-8.
    EXPECT_FALSE(
        LooksLikeServiceAnswer("<html><head><title>Hotel W\xEF"
                               "Fi</title></head><body>Willkommen! Bitte "
                               "anmelden: Zimmernummer \xBB Nachname</body></html>"));
    EXPECT_FALSE(LooksLikeServiceAnswer(
        "<!DOCTYPE html><html lang=\"de\"><title>Anmeldung</title><p>Gr\xC3\xBC\xC3\x9F"
        "e aus dem Zug \xE2\x80\x93 bitte anmelden</p></html>"));
    // A web filter's plain-text page of several lines that begins with ERROR, in ASCII and with
    // an accented letter in its first line (whose tag byte ends the head early).
    EXPECT_FALSE(LooksLikeServiceAnswer(
        "ERROR: Access Denied\r\n\r\nThe requested URL is blocked by your organisation's "
        "policy.\r\nCategory: Uncategorised\r\n"));
    EXPECT_FALSE(
        LooksLikeServiceAnswer("ERROR: Zugriff f\xFCr diese Seite gesperrt\r\n"
                               "Bitte wenden Sie sich an Ihren Administrator.\r\n"));
    // A line too long for a notice.
    EXPECT_FALSE(LooksLikeServiceAnswer(std::string(kMaxNoticeLine - 4, '.') + "ERROR\r\n"));
    // JSON and XML, whatever they say.
    EXPECT_FALSE(
        LooksLikeServiceAnswer("{\"status\":\"ERROR\",\"message\":\"rate limit exceeded\"}"));
    EXPECT_FALSE(LooksLikeServiceAnswer(" \r\n{\"error\":\"NOT FOUND\",\"code\":404}"));
    EXPECT_FALSE(LooksLikeServiceAnswer("[\"ERROR\"]"));
    EXPECT_FALSE(LooksLikeServiceAnswer("<?xml version=\"1.0\"?><error>NOT FOUND</error>"));
    // Plain text lines: no word head, or a UTF-8 word whose bytes would read as tags.
    EXPECT_FALSE(LooksLikeServiceAnswer("Service Unavailable"));
    EXPECT_FALSE(LooksLikeServiceAnswer("Bad Gateway\r\n"));
    EXPECT_FALSE(LooksLikeServiceAnswer("St\xC3\xB6rung"));  // "Störung": C3 is a tag byte
    EXPECT_FALSE(
        LooksLikeServiceAnswer("\xC3\x89"
                               "CHEC \xC3\x89"
                               "RROR"));                         // UTF-8 ERROR
    EXPECT_FALSE(LooksLikeServiceAnswer("\xEF\xBB\xBFN0CALL"));  // a UTF-8 byte-order mark
    // Windows-1252 text: skipped tags only, a head of more than a word, a word with an accented
    // capital (a tag byte) and no digit.
    EXPECT_FALSE(LooksLikeServiceAnswer("St\xF6rung"));
    EXPECT_FALSE(LooksLikeServiceAnswer("Wartung bis 12:00 \xD0 danke"));
    EXPECT_FALSE(LooksLikeServiceAnswer("ATENCI\xD3N: servicio en mantenimiento"));
    EXPECT_FALSE(LooksLikeServiceAnswer("MANUTEN\xC7\xC3O PROGRAMADA"));
    EXPECT_FALSE(LooksLikeServiceAnswer("OK\xB8JANE"));  // two letters and a tag
    // UTF-16 text without a byte-order mark: every other byte is NUL, a tag.
    EXPECT_FALSE(LooksLikeServiceAnswer(std::string("E\0R\0R\0O\0R\0", 10)));
    EXPECT_FALSE(LooksLikeServiceAnswer(std::string("N\0\x30\0C\0A\0L\0L\0", 12)));
    // Not a callsign: too long, no digit, no letter, other bytes.
    EXPECT_FALSE(LooksLikeServiceAnswer("VE3ABCDEFGHIJKLM/QRPX\xB8JANE"));
    EXPECT_FALSE(LooksLikeServiceAnswer("NOCALL\xB8JANE"));
    EXPECT_FALSE(LooksLikeServiceAnswer("12345\xB8JANE"));
    EXPECT_FALSE(LooksLikeServiceAnswer("N0-CALL\xB8JANE"));
    // The accepted costs: a bare callsign with no field, a word with only skipped fields.
    EXPECT_FALSE(LooksLikeServiceAnswer("N0CALL"));
    EXPECT_FALSE(LooksLikeServiceAnswer("N0CALL\xBBIGNORED"));
    EXPECT_FALSE(LooksLikeServiceAnswer(std::string("\xB8JANE")));  // no head at all
}

TEST(ServiceAnswerShape, TheServersLabelCountsOnlyAgainst) {
    for (const char* type :
         {"image/gif", "IMAGE/PNG", "audio/mpeg", "video/mp4", "application/json; charset=utf-8",
          "text/json", " application/xml", "text/xml;charset=iso-8859-1",
          "application/problem+json", "application/atom+XML"}) {
        EXPECT_TRUE(LabelledAsNoAnswer(type)) << type;
    }
    for (const char* type :
         {"", "text/plain", "text/html; charset=windows-1252", "application/octet-stream",
          "text/plain; note=image/gif", "application/jsonp", "text/xmlish"}) {
        EXPECT_FALSE(LabelledAsNoAnswer(type)) << type;
    }
    // A GIF has a callsign-like head and a tag byte after it: only its label tells.
    const std::string gif = std::string("GIF89a\xC8\x00\x64\x00\xF7\x00\x00", 13);
    EXPECT_TRUE(LooksLikeServiceAnswer(gif));
    Exchange e = Whole(gif);
    e.contentType = "image/gif";
    EXPECT_EQ(JudgeExchange(e), Verdict::NotAnAnswer);
    // The service's answer under a text label is its answer.
    const std::string worked = record::WorkedExampleAnswer();
    e = Whole(worked);
    e.contentType = "text/html";
    EXPECT_EQ(JudgeExchange(e), Verdict::Answered);
    e.contentType = "application/json";
    EXPECT_EQ(JudgeExchange(e), Verdict::NotAnAnswer);
}

TEST(JudgeExchange, WhatTheServiceSaid) {
    const std::string worked = record::WorkedExampleAnswer();
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
    const std::string worked = record::WorkedExampleAnswer();
    const std::string part = worked.substr(0, 30);  // "N0CALL" up to the address
    Exchange e = Whole(part);
    e.announcedLength = worked.size();
    EXPECT_EQ(JudgeExchange(e), Verdict::CutOff) << "an orderly close before the announced end";
    e.announcedLength.reset();
    EXPECT_EQ(JudgeExchange(e), Verdict::Answered) << "nothing announced: the end is the end";
    EXPECT_FALSE(EndCheckable(e)) << "a chunked or close-delimited body";
    e = Whole(part);
    EXPECT_TRUE(EndCheckable(e));
    e.readFailed = true;
    EXPECT_EQ(JudgeExchange(e), Verdict::CutOff);
    // Stopping at the program's own limit is not a cut.
    e = Whole(part);
    e.announcedLength = 5u * 1024 * 1024;
    e.capped = true;
    EXPECT_EQ(JudgeExchange(e), Verdict::Answered);
    e.announcedLength.reset();
    EXPECT_TRUE(EndCheckable(e)) << "stopped at the limit: not a cut";
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
