#include "about/update_server.h"

namespace about {

std::string UpdateDescriptionUrl(const std::string& updateBase) {
    return updateBase + "/files/QuendixInternetLookup.txt";
}

std::string UpdateArchiveUrl(const std::string& updateBase) {
    return updateBase + "/files/QuendixInternetLookup.zip";
}

std::string SupportMailtoLink() {
    return std::string("mailto:") + kSupportAddress;
}

}  // namespace about
