// Where the services are: the base URLs the settings file names, or the built-in ones.
#pragma once

#include <string>

namespace lookup {

// The base URL of a service from the optional key `key` of section "Service" (LookupURL,
// UpdateURL), made usable by NormalizeBaseUrl; `builtInDefault` when the key is missing or empty.
std::string ServiceBaseUrl(const std::string& key, const std::string& builtInDefault);

}  // namespace lookup
