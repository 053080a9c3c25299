#include "lookup/request.h"

#include <gtest/gtest.h>

#include <string>

namespace lookup {

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

}  // namespace lookup
