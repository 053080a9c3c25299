#include "diag/diag_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace diag {

namespace {

LogEntry LookupEntry() {
    LogEntry e;
    e.localTime = IsoLocalTime(2026, 12, 7, 9, 5, 3, 42);
    e.event = kLookupEvent;
    e.callsign = "N0CALL/P";
    e.url =
        "http://127.0.0.1:8080/call?username=K1TEST&password=secret&rawlookup=1&callsign="
        "N0CALL%2FP&program=Logger32";
    e.status = 200;
    e.bytes = 9;
    e.outcome = kOutcomeBaseCallRetry;
    e.ms = 17;
    return e;
}

}  // namespace

TEST(DiagLog, TimeIsIsoWithMilliseconds) {
    EXPECT_EQ(IsoLocalTime(2026, 12, 7, 9, 5, 3, 42), "2026-12-07T09:05:03.042");
    EXPECT_EQ(IsoLocalTime(1999, 1, 31, 23, 59, 59, 999), "1999-01-31T23:59:59.999");
}

TEST(DiagLog, MasksEveryPasswordParameterAndTheUserInfo) {
    EXPECT_EQ(MaskSecrets("http://h/call?username=a&password=p%26q&rawlookup=1"),
              "http://h/call?username=a&password=***&rawlookup=1");
    EXPECT_EQ(MaskSecrets("http://h/c?password=abc"), "http://h/c?password=***");
    EXPECT_EQ(MaskSecrets("http://h/c?password=abc#frag"), "http://h/c?password=***#frag");
    EXPECT_EQ(MaskSecrets("http://h/c?password=a&x=1&password=b"),
              "http://h/c?password=***&x=1&password=***");
    EXPECT_EQ(MaskSecrets("http://h/c?password="), "http://h/c?password=***");
    // A key that only ends in "password" is another parameter.
    EXPECT_EQ(MaskSecrets("http://h/c?oldpassword=abc"), "http://h/c?oldpassword=abc");
    EXPECT_EQ(MaskSecrets("http://h/files/x.txt"), "http://h/files/x.txt");
    EXPECT_EQ(MaskSecrets(""), "");
    // User-info in the address, whatever it holds, and with a password parameter after it.
    EXPECT_EQ(MaskSecrets("http://me:pw@host/"), "http://***@host/");
    EXPECT_EQ(MaskSecrets("https://me@host:8443"), "https://***@host:8443");
    EXPECT_EQ(MaskSecrets("http://a@b:p@w@host?x=1"), "http://***@host?x=1");
    EXPECT_EQ(MaskSecrets("http://me:pw@h/call?username=a&password=p"),
              "http://***@h/call?username=a&password=***");
    // An "@" after the host is no user-info.
    EXPECT_EQ(MaskSecrets("http://h/c?mail=a@b#x@y"), "http://h/c?mail=a@b#x@y");
    EXPECT_EQ(MaskSecrets("mailto:a@b"), "mailto:a@b");
}

TEST(DiagLog, LineHoldsEveryFieldInOrder) {
    EXPECT_EQ(FormatLogLine(LookupEntry()),
              "2026-12-07T09:05:03.042|lookup|N0CALL/P|http://127.0.0.1:8080/call?username=K1TEST"
              "&password=***&rawlookup=1&callsign=N0CALL%2FP&program=Logger32|HTTP 200|9|"
              "base-call retry|17||");

    LogEntry failed = LookupEntry();
    failed.status = 0;
    failed.error = 12029;
    failed.errorText = "Cannot connect";
    failed.bytes = 0;
    failed.outcome = kOutcomeNoSession;
    failed.ms = 3;
    const std::string line = FormatLogLine(failed);
    EXPECT_NE(line.find("|error 12029 Cannot connect|0|no session|3"), std::string::npos) << line;

    LogEntry write;
    write.localTime = "T";
    write.event = kReplyFileEvent;
    write.callsign = "N0CALL";
    write.error = 5;
    write.errorText = "Access denied.";
    write.outcome = kOutcomeWriteFailed;
    EXPECT_EQ(FormatLogLine(write),
              "T|reply file|N0CALL||error 5 Access denied.|0|write failed|0||");

    // An address set without a scheme: the URL says that "http://" was added.
    LogEntry added = LookupEntry();
    added.schemeAdded = true;
    EXPECT_EQ(FormatLogLine(added),
              "2026-12-07T09:05:03.042|lookup|N0CALL/P|http://127.0.0.1:8080/call?username=K1TEST"
              "&password=***&rawlookup=1&callsign=N0CALL%2FP&program=Logger32 (http:// added)"
              "|HTTP 200|9|"
              "base-call retry|17||");

    // Empty values still keep their places.
    EXPECT_EQ(FormatLogLine(LogEntry()), "||||HTTP 0|0||0||");

    // The kept-answers file has no exchange: no HTTP status, an error when there is one.
    LogEntry kept;
    kept.localTime = "T";
    kept.event = kKeptAnswersEvent;
    kept.callsign = "N0CALL";
    kept.outcome = kOutcomeNewerVersion;
    EXPECT_EQ(FormatLogLine(kept), "T|kept answers|N0CALL|||0|newer version left alone|0||");
    kept.error = 1460;
    kept.errorText = "Timeout.";
    kept.outcome = kOutcomeLockNotHad;
    EXPECT_EQ(FormatLogLine(kept), "T|kept answers|N0CALL||error 1460 Timeout.|0|lock not had|0||");
}

// A file that another program held: the outcome says after how many tries it was written, or
// failed; a file written at the first try says nothing of tries.
TEST(DiagLog, TriesOfAHeldFileFollowTheOutcome) {
    LogEntry kept;
    kept.localTime = "T";
    kept.event = kKeptAnswersEvent;
    kept.callsign = "N0CALL";
    kept.outcome = kOutcomeWritten;
    kept.tries = 7;
    EXPECT_EQ(FormatLogLine(kept), "T|kept answers|N0CALL|||0|written after 7 tries|0||");
    kept.outcome = kOutcomeNotWritten;
    kept.error = 32;
    kept.errorText = "Sharing violation.";
    kept.tries = 9;
    EXPECT_EQ(FormatLogLine(kept),
              "T|kept answers|N0CALL||error 32 Sharing violation.|0|not written after 9 tries|0||");
    kept.tries = 1;
    EXPECT_EQ(FormatLogLine(kept),
              "T|kept answers|N0CALL||error 32 Sharing violation.|0|not written|0||");

    // The other files have no exchange either.
    LogEntry reply = kept;
    reply.event = kReplyFileEvent;
    reply.error = 0;
    reply.outcome = kOutcomeWritten;
    reply.tries = 3;
    EXPECT_EQ(FormatLogLine(reply), "T|reply file|N0CALL|||0|written after 3 tries|0||");
    LogEntry settings = reply;
    settings.event = kSettingsFileEvent;
    settings.tries = 2;
    EXPECT_EQ(FormatLogLine(settings), "T|settings file|N0CALL|||0|written after 2 tries|0||");
}

TEST(DiagLog, ProxyInForceAndTheAgeOfAKeptAnswer) {
    LogEntry kept = LookupEntry();
    kept.status = 0;
    kept.error = 12029;
    kept.errorText = "Cannot connect";
    kept.bytes = 0;
    kept.outcome = kOutcomeKeptAnswer;
    kept.ms = 4;
    kept.proxy = "proxy.example:8080";
    kept.keptDays = 0;
    const std::string today = FormatLogLine(kept);
    EXPECT_EQ(today.substr(today.find("|error")),
              "|error 12029 Cannot connect|0|kept answer|4|proxy.example:8080|0");
    kept.keptDays = 29;
    kept.proxy = "direct";
    const std::string older = FormatLogLine(kept);
    EXPECT_EQ(older.substr(older.size() - 10), "|direct|29") << older;
    // A proxy value cannot add a field either.
    kept.proxy = "a|b\r\n";
    const std::string odd = FormatLogLine(kept);
    EXPECT_EQ(std::count(odd.begin(), odd.end(), '|'), 9) << odd;
}

// A request made while the Proxy setting was not understood says so after the proxy it took.
TEST(DiagLog, TheProxyNoteFollowsTheProxy) {
    LogEntry e = LookupEntry();
    e.proxy = "sys:3128";
    const std::string plain = FormatLogLine(e);
    EXPECT_EQ(plain.substr(plain.rfind("|sys")), "|sys:3128|");
    e.proxyNotUnderstood = true;
    const std::string noted = FormatLogLine(e);
    EXPECT_EQ(noted.substr(noted.rfind("|sys")), "|sys:3128 (Proxy setting not understood)|");
    // No session, no proxy: nothing to note.
    e.proxy = "";
    EXPECT_EQ(FormatLogLine(e), plain.substr(0, plain.rfind("|sys")) + "||");
}

// A look-up made with the short wait says so after its time; every other field is as ever.
TEST(DiagLog, TheShortWaitFollowsTheTimeTaken) {
    LogEntry e = LookupEntry();
    e.error = 12002;
    e.errorText = "The operation timed out";
    e.bytes = 0;
    e.outcome = kOutcomeKeptAnswer;
    e.ms = 3001;
    e.proxy = "direct";
    e.keptDays = 2;
    const std::string full = FormatLogLine(e);
    e.shortWait = true;
    const std::string line = FormatLogLine(e);
    EXPECT_EQ(line.substr(line.find("|error")),
              "|error 12002 The operation timed out|0|kept answer|3001 (short wait)|direct|2");
    EXPECT_EQ(line, full.substr(0, full.find("|3001|")) + "|3001 (short wait)|direct|2");
}

TEST(DiagLog, ValuesCannotSplitTheLineOrAddFields) {
    LogEntry e = LookupEntry();
    e.callsign = "A|B\r\nC";
    e.errorText = "two\r\nlines|";
    e.error = 12002;
    const std::string line = FormatLogLine(e);
    EXPECT_EQ(line.find('\r'), std::string::npos) << line;
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), '|'), 9) << line;
    EXPECT_NE(line.find("|A B  C|"), std::string::npos) << line;
    EXPECT_NE(line.find("|error 12002 two  lines |"), std::string::npos) << line;
}

// The password in the forms a request URL can carry it: percent-encoded as the request's
// parameter, and in clear or encoded in user-info written into the address. (Its scrambled form,
// as the settings file holds it, never reaches a URL; the end-to-end log test looks for it in
// the file.)
TEST(DiagLog, PasswordAppearsInNoForm) {
    const std::string password = "s3cr|t pass&word";
    const std::string encoded = "s3cr%7Ct%20pass%26word";  // as the request carries it
    const std::string query =
        "/call?username=K1TEST&password=" + encoded + "&rawlookup=1&callsign=N0CALL";
    for (const std::string& url : {"http://h" + query, "http://K1TEST:" + password + "@h" + query,
                                   "http://K1TEST:" + encoded + "@h" + query}) {
        LogEntry e = LookupEntry();
        e.url = url;
        const std::string line = FormatLogLine(e);
        EXPECT_EQ(line.find("s3cr"), std::string::npos) << line;
        EXPECT_EQ(line.find("t pass"), std::string::npos) << line;
        EXPECT_EQ(line.find("%20pass"), std::string::npos) << line;
        EXPECT_NE(line.find("password=***&rawlookup=1"), std::string::npos) << line;
    }
}

TEST(DiagLog, RollsOverOnlyWhenTheLineWouldPassTheLimit) {
    const std::uint64_t limit = kLogSizeLimitBytes;
    EXPECT_EQ(limit, 1048576u);
    EXPECT_FALSE(LogNeedsRollOver(0, 100));
    EXPECT_FALSE(LogNeedsRollOver(limit - 100, 100));
    EXPECT_TRUE(LogNeedsRollOver(limit - 100, 101));
    EXPECT_TRUE(LogNeedsRollOver(limit, 1));
    EXPECT_TRUE(LogNeedsRollOver(limit + 5000, 1));
    // A single line longer than the limit goes into an empty file as it is.
    EXPECT_FALSE(LogNeedsRollOver(0, limit + 1));
}

}  // namespace diag
