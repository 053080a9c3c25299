#include "about/update_server.h"

#include <gtest/gtest.h>

namespace about {
namespace {

TEST(ServiceAddresses, UpdateFilesAndSupportLink) {
    const std::string base = "http://updates.quendix.example";
    EXPECT_EQ(UpdateDescriptionUrl(base),
              "http://updates.quendix.example/files/QuendixInternetLookup.txt");
    EXPECT_EQ(UpdateArchiveUrl(base),
              "http://updates.quendix.example/files/QuendixInternetLookup.zip");
    EXPECT_EQ(SupportMailtoLink(), "mailto:support@quendix.example");
}

}  // namespace
}  // namespace about
