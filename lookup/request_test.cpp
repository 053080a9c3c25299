#include "lookup/request.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace lookup {

TEST(PercentEncode, KeepsUnreservedAndEncodesEverythingElse) {
    EXPECT_EQ(PercentEncode("AZaz09-._~"), "AZaz09-._~");
    EXPECT_EQ(PercentEncode("Not Set"), "Not%20Set");
    EXPECT_EQ(PercentEncode("a&b=c+d"), "a%26b%3Dc%2Bd");
    EXPECT_EQ(PercentEncode("%/?#"), "%25%2F%3F%23");
    EXPECT_EQ(PercentEncode("caf\xE9"), "caf%E9");
    EXPECT_EQ(PercentEncode("\xFF\x80\x7F"), "%FF%80%7F");
    EXPECT_EQ(PercentEncode(std::string("\0\n", 2)), "%00%0A");
    EXPECT_EQ(PercentEncode(""), "");
}

TEST(PercentEncode, EncodesEveryByteOutsideTheUnreservedSet) {
    for (int b = 0; b <= 255; ++b) {
        const char c = static_cast<char>(b);
        const bool unreserved = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
                                (b >= '0' && b <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~';
        const std::string encoded = PercentEncode(std::string(1, c));
        if (unreserved) {
            EXPECT_EQ(encoded, std::string(1, c)) << "byte " << b;
        } else {
            char expected[4];
            std::snprintf(expected, sizeof expected, "%%%02X", b);
            EXPECT_EQ(encoded, expected) << "byte " << b;
        }
    }
}

TEST(BuildLookupUrl, EncodesEachValueAndKeepsKeysInOrder) {
    EXPECT_EQ(BuildLookupUrl("http://callbook.quendix.example", "Not Set", "p&ss=1", "AB1CD"),
              "http://callbook.quendix.example/call?username=Not%20Set&password=p%26ss%3D1"
              "&rawlookup=1&callsign=AB1CD&program=Logger32");
    EXPECT_EQ(BuildLookupUrl("https://h:8443/svc", "u", "", "F/AB1CD"),
              "https://h:8443/svc/call?username=u&password=&rawlookup=1&callsign=F%2FAB1CD"
              "&program=Logger32");
}

TEST(ClassifyNotices, ExactCaseSensitiveSubstrings) {
    NoticeResult r = ClassifyNotices("AB1CD");
    EXPECT_FALSE(r.notFound);
    EXPECT_FALSE(r.accountError);

    r = ClassifyNotices("AB1CD NOT FOUND");
    EXPECT_TRUE(r.notFound);
    EXPECT_FALSE(r.accountError);

    r = ClassifyNotices("ERROR: bad password");
    EXPECT_FALSE(r.notFound);
    EXPECT_TRUE(r.accountError);

    r = ClassifyNotices("not found");
    EXPECT_FALSE(r.notFound);
    r = ClassifyNotices("Error");
    EXPECT_FALSE(r.accountError);
    r = ClassifyNotices("NOTFOUND");
    EXPECT_FALSE(r.notFound);

    // The not-found replacement comes first: what the service said of the account is gone.
    r = ClassifyNotices("ERROR NOT FOUND");
    EXPECT_TRUE(r.notFound);
    EXPECT_FALSE(r.accountError);
    r = ClassifyNotices("ERROR: NOT FOUND");
    EXPECT_TRUE(r.notFound);
    EXPECT_FALSE(r.accountError);
}

TEST(ReplyTexts, CallsignFollowedDirectly) {
    EXPECT_EQ(NotFoundReply("AB1CD"), "AB1CD not found in lookup database|");
    EXPECT_EQ(NoSessionReply("AB1CD"), "AB1CDNo Internet session in progress.");
}

// The callsign comes from the logger byte by byte: in the replacement texts it is made safe the
// way every reply-line field is, so that it can neither split the reply file nor add a field.
TEST(ReplyTexts, CallsignIsMadeSafeLikeAReplyField) {
    EXPECT_EQ(NotFoundReply("\r\nAB1\rC|D\n"), "AB1 C D not found in lookup database|");
    EXPECT_EQ(NoSessionReply("AB\n1CD\r\n"), "AB 1CDNo Internet session in progress.");
    EXPECT_EQ(NotFoundReply("|"), "  not found in lookup database|");
    EXPECT_EQ(NoSessionReply("\r\n\r"), "No Internet session in progress.");
    for (const std::string& call : {std::string("A\rB"), std::string("A\nB"), std::string("\n")}) {
        for (const std::string& reply : {NotFoundReply(call), NoSessionReply(call)}) {
            EXPECT_EQ(reply.find_first_of("\r\n"), std::string::npos) << reply;
        }
    }
    // The bar the not-found text ends with is its only one.
    EXPECT_EQ(NotFoundReply("A|B|").find('|'),
              std::string("A B  not found in lookup database").size());
}

TEST(SplitUrl, AcceptsHttpAndHttpsWithDefaults) {
    UrlParts p;
    ASSERT_TRUE(SplitUrl("http://callbook.quendix.example/call?username=a%20b&x=1", p));
    EXPECT_FALSE(p.secure);
    EXPECT_EQ(p.host, "callbook.quendix.example");
    EXPECT_EQ(p.port, 80);
    EXPECT_EQ(p.pathAndQuery, "/call?username=a%20b&x=1");

    ASSERT_TRUE(SplitUrl("HTTPS://Host-1.example", p));
    EXPECT_TRUE(p.secure);
    EXPECT_EQ(p.host, "Host-1.example");
    EXPECT_EQ(p.port, 443);
    EXPECT_EQ(p.pathAndQuery, "/");

    ASSERT_TRUE(SplitUrl("http://127.0.0.1:8080", p));
    EXPECT_EQ(p.host, "127.0.0.1");
    EXPECT_EQ(p.port, 8080);
    EXPECT_EQ(p.pathAndQuery, "/");

    ASSERT_TRUE(SplitUrl("https://h:1/a/b/", p));
    EXPECT_EQ(p.port, 1);
    EXPECT_EQ(p.pathAndQuery, "/a/b/");

    ASSERT_TRUE(SplitUrl("http://h:65535?q=1", p));
    EXPECT_EQ(p.port, 65535);
    EXPECT_EQ(p.pathAndQuery, "/?q=1");

    ASSERT_TRUE(SplitUrl("http://h/p?q=1#frag", p));
    EXPECT_EQ(p.pathAndQuery, "/p?q=1");
}

TEST(SplitUrl, RejectsOtherSchemesHostsAndPorts) {
    UrlParts p{true, "keep", 7, "/keep"};
    const char* bad[] = {
        "",
        "ftp://h/",
        "http:/h/",
        "h/path",
        "http://",
        "http:///path",
        "http://:80/",
        "http://h:/",
        "http://h:0/",
        "http://h:65536/",
        "http://h:123456/",
        "http://h:8x/",
        "http://h:-1/",
        "http://user@h/",
        "http://a b/",
        "http://[::1]/",
    };
    for (const char* url : bad) {
        EXPECT_FALSE(SplitUrl(url, p)) << url;
    }
    EXPECT_TRUE(p.secure);
    EXPECT_EQ(p.host, "keep");
    EXPECT_EQ(p.port, 7);
    EXPECT_EQ(p.pathAndQuery, "/keep");
}

}  // namespace lookup
