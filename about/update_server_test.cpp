#include "about/update_server.h"

#include <gtest/gtest.h>

namespace about {
namespace {

TEST(ServiceAddresses, UpdateFilesAndSupportLink) {
    const std::string base = "http://updates.quendix.example";
    EXPECT_EQ(UpdateDescriptionUrl(base),
              "http://updates.quendix.example/files/QuendixInternetLookup.txt");
    // Each architecture's exe fetches its own zip: a 64-bit-only system cannot start the 32-bit
    // one.
    EXPECT_EQ(UpdateArchiveUrl(base),
              sizeof(void*) == 8
                  ? "http://updates.quendix.example/files/QuendixInternetLookup-x64.zip"
                  : "http://updates.quendix.example/files/QuendixInternetLookup.zip");
    EXPECT_EQ(SupportMailtoLink(), "mailto:support@quendix.example");
}

}  // namespace
}  // namespace about
