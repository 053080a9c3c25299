#include "about/version.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace about {

TEST(ParseDottedVersion, ReadsComponentsAfterTrimming) {
    std::vector<unsigned long> v;
    ASSERT_TRUE(ParseDottedVersion("1.2.10", v));
    EXPECT_EQ(v, (std::vector<unsigned long>{1, 2, 10}));
    ASSERT_TRUE(ParseDottedVersion(" \t1.2.4\r\n", v));
    EXPECT_EQ(v, (std::vector<unsigned long>{1, 2, 4}));
    ASSERT_TRUE(ParseDottedVersion("2", v));
    EXPECT_EQ(v, (std::vector<unsigned long>{2}));
    ASSERT_TRUE(ParseDottedVersion("4294967295.0", v));
    EXPECT_EQ(v, (std::vector<unsigned long>{4294967295UL, 0}));
}

TEST(ParseDottedVersion, RejectsAnythingElseAndClearsTheResult) {
    const char* bad[] = {"",
                         " \r\n",
                         "<html>",
                         "<html><body>1.2.5</body></html>",
                         "1..2",
                         "1.",
                         ".1",
                         "1.2.x",
                         "-1.2.5",
                         "+1.2",
                         "1. 2",
                         "1 .2",
                         "v1.2.5",
                         "1,2,5",
                         "1.2.5abc",
                         "4294967296",
                         "99999999999999999999999.1"};
    for (const char* body : bad) {
        std::vector<unsigned long> v{9, 9};
        EXPECT_FALSE(ParseDottedVersion(body, v)) << body;
        EXPECT_TRUE(v.empty()) << body;
    }
}

TEST(IsNewerVersion, ComparesNumericallyComponentByComponent) {
    EXPECT_FALSE(IsNewerVersion("1.2.4"));
    EXPECT_TRUE(IsNewerVersion("1.2.5"));
    EXPECT_TRUE(IsNewerVersion("1.3"));
    EXPECT_TRUE(IsNewerVersion("1.3.0"));
    EXPECT_TRUE(IsNewerVersion("2"));
    EXPECT_TRUE(IsNewerVersion("1.2.10"));
    EXPECT_FALSE(IsNewerVersion("1.2.3"));
    EXPECT_FALSE(IsNewerVersion("1.1.99"));
    EXPECT_FALSE(IsNewerVersion("0.9"));
    EXPECT_FALSE(IsNewerVersion("1"));

    const Version v1210{1, 2, 10};
    EXPECT_FALSE(IsNewerVersion("1.2.9", v1210));
    EXPECT_TRUE(IsNewerVersion("1.3", v1210));
    EXPECT_TRUE(IsNewerVersion("1.2.10", Version{1, 2, 9}));
}

TEST(IsNewerVersion, MissingComponentsCountAsZero) {
    EXPECT_FALSE(IsNewerVersion("1.2", Version{1, 2, 0}));
    EXPECT_FALSE(IsNewerVersion("1.2.0.0", Version{1, 2, 0}));
    EXPECT_TRUE(IsNewerVersion("1.2.4.1"));
    EXPECT_FALSE(IsNewerVersion("1.2.4.0"));
}

TEST(IsNewerVersion, WhiteSpaceAndNonVersionsAreNoUpdate) {
    EXPECT_FALSE(IsNewerVersion("1.2.4\r\n"));
    EXPECT_FALSE(IsNewerVersion("  1.2.4  "));
    EXPECT_TRUE(IsNewerVersion("  1.2.5  "));
    EXPECT_TRUE(IsNewerVersion("1.2.5\n"));
    EXPECT_FALSE(IsNewerVersion(""));
    EXPECT_FALSE(IsNewerVersion("<html>"));
    EXPECT_FALSE(IsNewerVersion("<html><body>Not Found</body></html>"));
    EXPECT_FALSE(IsNewerVersion("garbage"));
    EXPECT_FALSE(IsNewerVersion("9.9.x"));
    EXPECT_FALSE(IsNewerVersion("18446744073709551617.0"));
}

TEST(VersionText, ProgramVersionAndAboutTitle) {
    EXPECT_EQ(VersionText(), "1.2.4");
    EXPECT_EQ(VersionText(Version{10, 0, 12}), "10.0.12");
    const std::string title = AboutTitleText();
    const std::string head = "Quendix Internet Lookup for Logger32\r\n ver. 1.2.4";
    ASSERT_GE(title.size(), head.size());
    EXPECT_EQ(title.substr(0, head.size()), head);
    EXPECT_EQ(title.find('\r', head.size()), std::string::npos);
    EXPECT_EQ(title.find('\n', head.size()), std::string::npos);
}

// The version the program compares and shows is the one the release publishes on the update
// server (both come from the project version).
TEST(VersionText, IsThePublishedReleaseVersion) {
    EXPECT_EQ(VersionText(), APP_RELEASE_TEXT);
}

}  // namespace about
