// Where the program's updates and its support are: the update server's description file and
// archive, and the support address.
#pragma once

#include <string>

namespace about {

inline constexpr char kSupportAddress[] = "support@quendix.example";

// The update description file and archive on the update server given by `updateBase` (the
// server's base URL, without a trailing '/').
std::string UpdateDescriptionUrl(const std::string& updateBase);
std::string UpdateArchiveUrl(const std::string& updateBase);

// "mailto:" followed by the support address.
std::string SupportMailtoLink();

}  // namespace about
