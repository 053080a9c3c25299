// What reaches the logger and the kept answers when something other than the service answers: a
// hotel's sign-in page, a CDN's or a web filter's error page, JSON, a maintenance line, an image,
// blanks, an answer cut short by an orderly close (with its length announced, or in chunks);
// answers that only look odd and are the service's all the same; a kept-answers file of a newer
// version or with answers from the future; the file's troubles in the log.
#include "tests/e2e/network_fixture_win.h"

#include "common/handles_win.h"

namespace e2e {
namespace {

// A captive portal's sign-in page, as a hotel or train network serves it for every address.
const std::string kSignInPage =
    "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Welcome aboard"
    "</title></head>\n<body><form action=\"/login\" method=\"post\"><p>Please sign in to use "
    "the Wi\xE2\x80\x91"
    "Fi \xE2\x80\x94 Caf\xC3\xA9 car</p><input name=\"room\"></form></body></html>\n";
// A CDN's page for a refused request: markup that says ERROR.
const std::string kCdnErrorPage =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
    "\"http://www.w3.org/TR/html4/loose.dtd\">\n<HTML><HEAD><META HTTP-EQUIV=\"Content-Type\" "
    "CONTENT=\"text/html; charset=iso-8859-1\">\n<TITLE>ERROR: The request could not be "
    "satisfied</TITLE>\n</HEAD><BODY>\n<H1>403 ERROR</H1>\n<H2>The request could not be "
    "satisfied.</H2>\n</BODY></HTML>\n";

// A web filter's plain-text page for a refused request: several lines, the first says ERROR.
const std::string kFilterPage =
    "ERROR: Access Denied\r\n\r\nThe requested URL has been blocked by your organisation's "
    "web filter.\r\nCategory: Uncategorised\r\nIf you believe this is wrong, contact your "
    "administrator.\r\n";
// A GIF's first bytes: "GIF89a" reads as a callsign, its width's low byte (C8) as a field tag.
const std::string kGif = std::string(
    "GIF89a\xC8\x00\x64\x00\xF7\x00\x00\x00\x00\x00\xFF\xFF\xFF"
    "\x21\xF9\x04\x01\x00\x00\x00\x00\x2C",
    29);

CannedAnswer Page(const std::string& body, int status = 200) {
    CannedAnswer a = Answer(body, status);
    a.contentType = "text/html; charset=utf-8";
    return a;
}

CannedAnswer Labelled(const std::string& body, int status, const char* contentType) {
    CannedAnswer a = Answer(body, status);
    a.contentType = contentType;
    return a;
}

// The worked example cut by an orderly close after 30 bytes, its Content-Length announcing all.
CannedAnswer CutAnswer() {
    CannedAnswer a = Answer(WorkedBody());
    a.closeAfter = 30;
    return a;
}

// The worked example in chunks, cut by an orderly close inside the second one after 30 bytes:
// no length to compare with, so only the kept answer tells.
CannedAnswer CutChunkedAnswer() {
    CannedAnswer a = Answer(WorkedBody());
    a.chunks = {20, 40};
    a.closeAfter = 30;
    return a;
}

void CloseKernelObject(HANDLE h) {
    CloseHandle(h);
}

class JudgedAnswers : public Network {
  protected:
    std::string ClosedBase() const {
        return "http://127.0.0.1:" + std::to_string(StandInServer::ClosedPort());
    }
    // The lines of the log of the given event.
    std::vector<std::vector<std::string>> LogLinesOf(const std::string& event) const {
        std::vector<std::vector<std::string>> lines;
        for (const auto& line : LogLines()) {
            if (line.size() > 1 && line[1] == event) {
                lines.push_back(line);
            }
        }
        return lines;
    }
};

// One kind of junk: what the service is made to send, and what the log then says.
struct Junk {
    const char* name;
    CannedAnswer answer;
    const char* outcome;
    const char* result;
};

Junk JunkOfKind(int kind) {
    switch (kind) {
        case 0:
            return {"SignInPage", Page(kSignInPage), "not an answer", "HTTP 200"};
        case 1:
            return {"BodyOfBlanks", Answer(" \r\n"), "kept answer", "HTTP 200"};
        case 2:
            return {"CutByAnOrderlyClose", CutAnswer(), "kept answer", "HTTP 200"};
        case 3:
            return {"ForbiddenPageSayingError", Page(kCdnErrorPage, 403), "not an answer",
                    "HTTP 403"};
        case 4:
            return {"PlainTextForbiddenPageSayingError", Labelled(kFilterPage, 403, "text/plain"),
                    "not an answer", "HTTP 403"};
        case 5:
            return {"JsonRateLimitSayingError",
                    Labelled("{\"status\":\"ERROR\",\"message\":\"rate limit exceeded\"}", 429,
                             "application/json"),
                    "not an answer", "HTTP 429"};
        case 6:  // labelled as plain text: the body alone tells
            return {
                "JsonSayingNotFound",
                Labelled("{\"error\":\"NOT FOUND\",\"callsign\":\"N0CALL\"}\n", 200, "text/plain"),
                "not an answer", "HTTP 200"};
        case 7:
            return {"MaintenanceLineWithAnAccentedCapital",
                    Labelled("ATENCI\xD3N: servicio en mantenimiento", 200,
                             "text/plain; charset=windows-1252"),
                    "not an answer", "HTTP 200"};
        case 8:
            return {"GifImage", Labelled(kGif, 200, "image/gif"), "not an answer", "HTTP 200"};
        default:
            return {"ChunkedCutInsideAChunk", CutChunkedAnswer(), "kept answer", "HTTP 200"};
    }
}

constexpr int kJunkKinds = 10;

class JunkWithAGoodAnswerKept : public JudgedAnswers, public ::testing::WithParamInterface<int> {};

// With a good answer kept: the logger gets the kept answer, the kept file stays byte for byte
// as it was, no box shows and the window stays; with the service then gone, the kept answer is
// still the good one.
TEST_P(JunkWithAGoodAnswerKept, NeverReachesTheLoggerNorTheKeptFile) {
    const Junk junk = JunkOfKind(GetParam());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(FoundAndKept());
    PumpFor(300);
    const std::string keptFile = ReadKeptFile();
    const HWND main = addon_->MainWindow();

    server_.SetAnswer("/call", junk.answer);
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 2));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    ASSERT_EQ(reply_->Texts().size(), 2u);
    EXPECT_EQ(Visible(reply_->Texts().back()), Visible(kWorkedExtended));
    const auto log = LastLogLine();
    ASSERT_EQ(log.size(), 10u);
    EXPECT_EQ(log[4], junk.result);
    EXPECT_EQ(log[6], junk.outcome);
    EXPECT_EQ(log[9], "0") << "the kept answer's age";
    PumpFor(300);
    EXPECT_EQ(ReadKeptFile(), keptFile) << "the kept file changed";
    EXPECT_EQ(addon_->MainWindow(), main) << "the main window was unloaded";

    ASSERT_NO_FATAL_FAILURE(PointAt(ClosedBase()));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 3));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    EXPECT_EQ(ReadKeptFile(), keptFile);
}

INSTANTIATE_TEST_SUITE_P(Kinds, JunkWithAGoodAnswerKept, ::testing::Range(0, kJunkKinds),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(JunkOfKind(info.param).name);
                         });

// Answers that only look odd are the service's: whole in two chunks, ended by the close of the
// connection without a Content-Length, or with empty fields whose tag bytes pair up as UTF-8.
// Each reaches the logger exactly and is kept: with the service then gone, it is given again.
TEST_F(JudgedAnswers, OddLookingAnswersReachTheLoggerAndAreKept) {
    // Every tag byte followed at once by one that continues it in UTF-8: an empty birth date
    // before the first name (C2 B8), an empty county before the last name (C6 BA), empty dates
    // before the address (C3 BC) and the city (C4 BF). The whole body is valid UTF-8.
    const std::string utf8Shaped = std::string("N0CALL") + "\xC2\xB8" + "JANE" + "\xC6\xBA" +
                                   "SAMPLE" + "\xC3\xBC" + "12 ELM ST" + "\xC4\xBF" + "ANYTOWN";
    const std::string utf8Line = "N0CALL|JANE|SAMPLE|12 ELM ST|ANYTOWN||||||||0|0||||";
    CannedAnswer chunked = Answer(WorkedBody());
    chunked.chunks = {40};
    CannedAnswer closeDelimited = Answer(WorkedBody());
    closeDelimited.contentLength = false;
    const struct {
        const char* what;
        CannedAnswer answer;
        std::string line;
        std::string extended;
    } cases[] = {
        {"in two chunks", chunked, kWorkedLine, kWorkedExtended},
        {"HTTP/1.0 without Content-Length", closeDelimited, kWorkedLine, kWorkedExtended},
        {"empty fields forming UTF-8", Answer(utf8Shaped), utf8Line, "CTTP|" + utf8Line + "||||||"},
    };
    ASSERT_NO_FATAL_FAILURE(Start());
    size_t n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(!FileExists(CachePath()) || DeleteFileA(CachePath().c_str()));
        server_.SetAnswer("/call", c.answer);
        ASSERT_NO_FATAL_FAILURE(PointAt(server_.BaseUrl()));
        ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", ++n));
        EXPECT_EQ(Visible(LookupDat()), Visible(c.line + "\r\n"));
        ASSERT_FALSE(reply_->Texts().empty());
        EXPECT_EQ(Visible(reply_->Texts().back()), Visible(c.extended));
        EXPECT_EQ(LastLogLine().at(6), "found");
        ASSERT_TRUE(WaitUntil(
            [&] {
                const kept::ParsedCache kept = kept::ParseCache(ReadKeptFile());
                return kept.entries.size() == 1 && kept.entries[0].reply == c.line;
            },
            5000))
            << "not kept";
        ASSERT_NO_FATAL_FAILURE(PointAt(ClosedBase()));
        ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", ++n));
        EXPECT_EQ(Visible(LookupDat()), Visible(c.line + "\r\n"));
        EXPECT_EQ(LastLogLine().at(6), "kept answer");
    }
}

// A chunked answer cut inside a chunk, with nothing kept, cannot be told from a whole one: it
// reaches the logger as what arrived and is kept. A later whole answer replaces it, and the cut
// one is then told by it.
TEST_F(JudgedAnswers, ACutChunkedAnswerIsToldOnlyByAWholeOneKept) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::string cutLine = "N0CALL|JANE|Q SAMPLE|12 ELM ST|||||||||0|0||||";
    server_.SetAnswer("/call", CutChunkedAnswer());
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 1));
    EXPECT_EQ(Visible(LookupDat()), Visible(cutLine + "\r\n"));
    ASSERT_TRUE(WaitUntil([&] { return FileExists(CachePath()); }, 5000));

    server_.SetAnswer("/call", Answer(WorkedBody()));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 2));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    ASSERT_TRUE(WaitUntil(
        [&] {
            const kept::ParsedCache kept = kept::ParseCache(ReadKeptFile());
            return kept.entries.size() == 1 && kept.entries[0].reply == kWorkedLine;
        },
        5000))
        << "the whole answer did not replace the cut one";

    server_.SetAnswer("/call", CutChunkedAnswer());
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 3));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    EXPECT_EQ(LastLogLine().at(6), "kept answer");
    // A changed record in chunks is the service's news: given and kept.
    std::string moved = WorkedBody();
    moved.replace(moved.find("12 ELM ST"), 9, "9 OAK AVE");
    CannedAnswer changed = Answer(moved);
    changed.chunks = {25};
    server_.SetAnswer("/call", changed);
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 4));
    std::string movedLine = kWorkedLine;
    movedLine.replace(movedLine.find("12 ELM ST"), 9, "9 OAK AVE");
    EXPECT_EQ(Visible(LookupDat()), Visible(movedLine + "\r\n"));
    ASSERT_TRUE(WaitUntil(
        [&] {
            const kept::ParsedCache kept = kept::ParseCache(ReadKeptFile());
            return kept.entries.size() == 1 && kept.entries[0].reply == movedLine;
        },
        5000))
        << "the changed record was not kept";
}

// "ERROR: NOT FOUND" is a plain not-found: the not-found text, no box, the window stays, and
// the good answer kept for another callsign stays the good one.
TEST_F(JudgedAnswers, ErrorAndNotFoundTogetherIsAPlainNotFound) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(FoundAndKept());
    PumpFor(300);
    const std::string keptFile = ReadKeptFile();
    const HWND main = addon_->MainWindow();

    server_.SetAnswer("/call", Answer("ERROR: NOT FOUND"));
    ASSERT_NO_FATAL_FAILURE(LookUp("K1ABC", 2));
    EXPECT_EQ(Visible(LookupDat()), Visible("K1ABC not found in lookup database|\r\n"));
    EXPECT_EQ(reply_->Texts().size(), 1u) << "an extended line for a not-found";
    EXPECT_EQ(LastLogLine().at(6), "not found");
    EXPECT_EQ(addon_->MainWindow(), main) << "the main window was unloaded";

    ASSERT_NO_FATAL_FAILURE(PointAt(ClosedBase()));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 3));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    EXPECT_EQ(ReadKeptFile(), keptFile);
    EXPECT_TRUE(addon_->Running());
}

// Only a whole answer with a 2xx status changes the kept file, after a second request with the
// base call both answers: a found base call of a 404 is given but not kept, a not-found of a 404
// drops nothing.
TEST_F(JudgedAnswers, OnlyWhole2xxAnswersChangeTheKeptFile) {
    int homeStatus = 404;   // the status of the base call's answer
    int firstStatus = 200;  // the status of the first answer, which says not found
    server_.SetResponder([&](const RecordedRequest& r) {
        return QueryValue(r.target, "callsign") == "N0CALL" ? Answer(WorkedBody(), homeStatus)
                                                            : Answer("NOT FOUND", firstStatus);
    });
    ASSERT_NO_FATAL_FAILURE(Start());
    std::string line = kWorkedLine;
    line.replace(0, 6, "N0CALL/P");
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL/P", 1));
    EXPECT_EQ(Visible(LookupDat()), Visible(line + "\r\n"));
    PumpFor(500);
    EXPECT_FALSE(FileExists(CachePath())) << "kept from a 404";

    homeStatus = 200;
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL/P", 2));
    ASSERT_TRUE(WaitUntil([&] { return FileExists(CachePath()); }, 5000)) << "nothing kept";
    const std::string kept = ReadKeptFile();

    server_.SetResponder([&](const RecordedRequest&) { return Answer("NOT FOUND", 404); });
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL/P", 3));
    EXPECT_EQ(Visible(LookupDat()), Visible("N0CALL/P not found in lookup database|\r\n"));
    PumpFor(500);
    EXPECT_EQ(ReadKeptFile(), kept) << "a 404's not-found dropped the kept answer";
}

// With nothing kept: junk gives the no-session text and never a box; a cut-off answer gives
// what arrived, and is not kept.
TEST_F(JudgedAnswers, WithNothingKeptJunkIsNoSessionAndACutAnswerIsReadNotKept) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const struct {
        const char* what;
        CannedAnswer answer;
    } junk[] = {
        {"a sign-in page", Page(kSignInPage)},
        {"a line of text", Answer("Service Unavailable")},
        {"a 403 page that says ERROR", Page(kCdnErrorPage, 403)},
        {"a body of blanks", Answer("\r\n\r\n")},
    };
    size_t n = 0;
    for (const auto& j : junk) {
        SCOPED_TRACE(j.what);
        server_.SetAnswer("/call", j.answer);
        ASSERT_NO_FATAL_FAILURE(LookUp("K9ZZZ", ++n));
        EXPECT_EQ(Visible(LookupDat()), Visible("K9ZZZNo Internet session in progress.\r\n"));
        EXPECT_EQ(LastLogLine().at(9), "");
    }
    EXPECT_TRUE(reply_->Texts().empty()) << "an extended line for no answer";

    server_.SetAnswer("/call", CutAnswer());
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", ++n));
    EXPECT_EQ(Visible(LookupDat()), Visible("N0CALL|JANE|Q SAMPLE|12 ELM ST|||||||||0|0||||\r\n"));
    PumpFor(500);
    EXPECT_FALSE(FileExists(CachePath())) << "a cut-off answer was kept";
}

// A file of a newer version in the folder: no look-up reads, writes or sets it aside, and the
// log says so.
TEST_F(JudgedAnswers, ALaterVersionsFileIsLeftAsItWas) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::string newer = "QuendixLookup cache 2\nN0CALL\x01whatever a newer add-on keeps\n";
    ASSERT_TRUE(WriteFileBytes(CachePath(), newer));
    server_.SetAnswer("/call", Answer(WorkedBody()));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 1));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    ASSERT_TRUE(WaitUntil([&] { return !LogLinesOf("kept answers").empty(); }, 5000));
    server_.SetAnswer("/call", Answer("", 500));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 2));
    EXPECT_EQ(Visible(LookupDat()), Visible(kNoSession));
    PumpFor(300);
    EXPECT_EQ(ReadKeptFile(), newer);
    EXPECT_FALSE(FileExists(BadCachePath()));
    const auto lines = LogLinesOf("kept answers");
    ASSERT_EQ(lines.size(), 2u);
    for (const auto& line : lines) {
        ASSERT_EQ(line.size(), 10u);
        EXPECT_EQ(line[2], "N0CALL");
        EXPECT_EQ(line[4], "");
        EXPECT_EQ(line[6], "newer version left alone");
    }
}

// An answer stamped in the future (the clock was set back since) is not used, and a write keeps
// it.
TEST_F(JudgedAnswers, AnAnswerFromTheFutureIsKept) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::int64_t now = UtcNow();
    const kept::KeptAnswer ahead{"N0CALL", now + 3 * 86400, kWorkedLine, kWorkedExtended};
    ASSERT_TRUE(WriteFileBytes(CachePath(), kept::SerializeCache({ahead})));
    server_.SetResponder([](const RecordedRequest& r) {
        std::string body = WorkedBody();
        body.replace(0, 6, QueryValue(r.target, "callsign"));
        return Answer(body);
    });
    ASSERT_NO_FATAL_FAILURE(LookUp("K2NEW", 1));
    ASSERT_TRUE(
        WaitUntil([&] { return kept::ParseCache(ReadKeptFile()).entries.size() == 2; }, 5000))
        << "the new answer was not kept beside the other; the log:\n"
        << ReadFileBytes(JoinPath(folder_.Path(), kLogName));
    const kept::ParsedCache stored = kept::ParseCache(ReadKeptFile());
    ASSERT_EQ(stored.entries.size(), 2u);
    EXPECT_EQ(stored.entries[0].key, "K2NEW");
    EXPECT_EQ(stored.entries[1], ahead);

    server_.SetAnswer("/call", Answer("", 503));
    server_.SetResponder(nullptr);
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 2));
    EXPECT_EQ(Visible(LookupDat()), Visible(kNoSession));
}

// The kept file's troubles get lines of their own: a lock held past the wait, a file set aside.
// User-info in an address never reaches the log in clear.
TEST_F(JudgedAnswers, TheLogTellsTheKeptFilesTroubles) {
    ASSERT_NO_FATAL_FAILURE(Start());
    server_.SetAnswer("/call", Answer("", 500));
    char full[MAX_PATH] = {};
    ASSERT_NE(GetFullPathNameA(folder_.Path().c_str(), sizeof full, full, nullptr), 0u);
    {
        common::UniqueAny<HANDLE, CloseKernelObject> lock(
            CreateMutexA(nullptr, TRUE, kept::CacheLockName(full).c_str()));
        ASSERT_TRUE(lock);
        ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 1));
        EXPECT_EQ(Visible(LookupDat()), Visible(kNoSession));
        ReleaseMutex(lock.get());
    }
    auto lines = LogLinesOf("kept answers");
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].size(), 10u);
    EXPECT_EQ(lines[0][4].rfind("error 1460 ", 0), 0u) << lines[0][4];
    EXPECT_EQ(lines[0][6], "lock not had");

    ASSERT_TRUE(WriteFileBytes(CachePath(), "not a file of answers\r\n"));
    server_.SetAnswer("/call", Answer(WorkedBody()));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 2));
    ASSERT_TRUE(WaitUntil([&] { return LogLinesOf("kept answers").size() == 2; }, 5000));
    EXPECT_EQ(LogLinesOf("kept answers")[1][6], "set aside");

    std::string withUserInfo = settings_;
    const std::string from = "LookupURL=http://";
    withUserInfo.replace(withUserInfo.find(from), from.size(), from + "me:pw@");
    ASSERT_TRUE(WriteFileBytes(folder_.SettingsPath(), withUserInfo));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 3));
    const auto last = LastLogLine();
    ASSERT_EQ(last.size(), 10u);
    EXPECT_EQ(last[3].rfind("http://***@127.0.0.1:", 0), 0u) << last[3];
    const std::string log = ReadFileBytes(JoinPath(folder_.Path(), kLogName));
    EXPECT_EQ(log.find("me:pw"), std::string::npos);
}

}  // namespace
}  // namespace e2e
