#include "lookup/diag_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "lookup/request.h"

namespace {

diaglog::Entry LookupEntry() {
    diaglog::Entry e;
    e.localTime = diaglog::IsoLocalTime(2026, 12, 7, 9, 5, 3, 42);
    e.event = diaglog::kLookupEvent;
    e.callsign = "N0CALL/P";
    e.url = BuildLookupUrl("http://127.0.0.1:8080", "K1TEST", "secret", "N0CALL/P");
    e.status = 200;
    e.bytes = 9;
    e.outcome = diaglog::kBaseCallRetry;
    e.ms = 17;
    return e;
}

}  // namespace

TEST(DiagLog, TimeIsIsoWithMilliseconds) {
    EXPECT_EQ(diaglog::IsoLocalTime(2026, 12, 7, 9, 5, 3, 42), "2026-12-07T09:05:03.042");
    EXPECT_EQ(diaglog::IsoLocalTime(1999, 1, 31, 23, 59, 59, 999), "1999-01-31T23:59:59.999");
}

TEST(DiagLog, MasksEveryPasswordParameterOnly) {
    EXPECT_EQ(diaglog::MaskPassword("http://h/call?username=a&password=p%26q&rawlookup=1"),
              "http://h/call?username=a&password=***&rawlookup=1");
    EXPECT_EQ(diaglog::MaskPassword("http://h/c?password=abc"), "http://h/c?password=***");
    EXPECT_EQ(diaglog::MaskPassword("http://h/c?password=abc#frag"),
              "http://h/c?password=***#frag");
    EXPECT_EQ(diaglog::MaskPassword("http://h/c?password=a&x=1&password=b"),
              "http://h/c?password=***&x=1&password=***");
    EXPECT_EQ(diaglog::MaskPassword("http://h/c?password="), "http://h/c?password=***");
    // A key that only ends in "password" is another parameter.
    EXPECT_EQ(diaglog::MaskPassword("http://h/c?oldpassword=abc"), "http://h/c?oldpassword=abc");
    EXPECT_EQ(diaglog::MaskPassword("http://h/files/x.txt"), "http://h/files/x.txt");
    EXPECT_EQ(diaglog::MaskPassword(""), "");
}

TEST(DiagLog, LineHoldsEveryFieldInOrder) {
    EXPECT_EQ(diaglog::FormatLine(LookupEntry()),
              "2026-12-07T09:05:03.042|lookup|N0CALL/P|http://127.0.0.1:8080/call?username=K1TEST"
              "&password=***&rawlookup=1&callsign=N0CALL%2FP&program=Logger32|HTTP 200|9|"
              "base-call retry|17");

    diaglog::Entry failed = LookupEntry();
    failed.status = 0;
    failed.error = 12029;
    failed.errorText = "Cannot connect";
    failed.bytes = 0;
    failed.outcome = diaglog::kNoSession;
    failed.ms = 3;
    const std::string line = diaglog::FormatLine(failed);
    EXPECT_NE(line.find("|error 12029 Cannot connect|0|no session|3"), std::string::npos) << line;

    diaglog::Entry write;
    write.localTime = "T";
    write.event = diaglog::kReplyFileEvent;
    write.callsign = "N0CALL";
    write.error = 5;
    write.errorText = "Access denied.";
    write.outcome = diaglog::kWriteFailed;
    EXPECT_EQ(diaglog::FormatLine(write),
              "T|reply file|N0CALL||error 5 Access denied.|0|write failed|0");

    // Empty values still keep their places.
    EXPECT_EQ(diaglog::FormatLine(diaglog::Entry()), "||||HTTP 0|0||0");
}

TEST(DiagLog, ValuesCannotSplitTheLineOrAddFields) {
    diaglog::Entry e = LookupEntry();
    e.callsign = "A|B\r\nC";
    e.errorText = "two\r\nlines|";
    e.error = 12002;
    const std::string line = diaglog::FormatLine(e);
    EXPECT_EQ(line.find('\r'), std::string::npos) << line;
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), '|'), 7) << line;
    EXPECT_NE(line.find("|A B  C|"), std::string::npos) << line;
    EXPECT_NE(line.find("|error 12002 two  lines |"), std::string::npos) << line;
}

TEST(DiagLog, PasswordAppearsInNoForm) {
    const std::string password = "s3cr|t pass&word";
    diaglog::Entry e = LookupEntry();
    e.url = BuildLookupUrl("http://h", "K1TEST", password, "N0CALL");
    const std::string line = diaglog::FormatLine(e);
    EXPECT_EQ(line.find("s3cr"), std::string::npos) << line;
    EXPECT_EQ(line.find(PercentEncode(password)), std::string::npos) << line;
    EXPECT_EQ(line.find("t4ds"), std::string::npos) << line;  // scrambled form
    EXPECT_NE(line.find("password=***&rawlookup=1"), std::string::npos) << line;
}

TEST(DiagLog, RollsOverOnlyWhenTheLineWouldPassTheLimit) {
    const std::uint64_t limit = diaglog::kSizeLimitBytes;
    EXPECT_EQ(limit, 1048576u);
    EXPECT_FALSE(diaglog::NeedsRollOver(0, 100));
    EXPECT_FALSE(diaglog::NeedsRollOver(limit - 100, 100));
    EXPECT_TRUE(diaglog::NeedsRollOver(limit - 100, 101));
    EXPECT_TRUE(diaglog::NeedsRollOver(limit, 1));
    EXPECT_TRUE(diaglog::NeedsRollOver(limit + 5000, 1));
    // A single line longer than the limit goes into an empty file as it is.
    EXPECT_FALSE(diaglog::NeedsRollOver(0, limit + 1));
}

TEST(DiagLog, OnOnlyForOne) {
    EXPECT_TRUE(diaglog::Enabled("1"));
    EXPECT_TRUE(diaglog::Enabled("  1 "));
    EXPECT_FALSE(diaglog::Enabled(""));
    EXPECT_FALSE(diaglog::Enabled("0"));
    EXPECT_FALSE(diaglog::Enabled("yes"));
    EXPECT_FALSE(diaglog::Enabled("11"));
    EXPECT_FALSE(diaglog::Enabled("\t1"));
}
