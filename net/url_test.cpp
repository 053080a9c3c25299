#include "net/url.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace net {

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

}  // namespace net
