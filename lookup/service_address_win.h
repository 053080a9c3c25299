// Where the services are and how to reach them: the base URLs the settings file names (or the
// built-in ones), the proxy, and how long answers are kept for when the service is away.
#pragma once

#include <string>

#include "net/proxy.h"

namespace lookup {

// The base URL of a service from the optional key `key` of section "Service" (LookupURL,
// UpdateURL), made usable by NormalizeBaseUrl; `builtInDefault` when the key is missing or empty.
std::string ServiceBaseUrl(const std::string& key, const std::string& builtInDefault);

// The route of every request, from the optional key "Proxy" of section "Service", read afresh.
net::ProxyChoice ProxyFromSettings();

// The days of the optional key "KeepAnswers" of section "Lookup", read afresh (0: keeping off).
int KeepAnswersDaysFromSettings();

}  // namespace lookup
