// URLs for a request: the split of an http or https URL for the connection, and the
// percent-encoding of a query value.
#pragma once

#include <string>

namespace net {

// Every byte outside A-Z a-z 0-9 - . _ ~ becomes %XX (upper-case hex of the byte); a space
// becomes %20.
std::string PercentEncode(const std::string& value);

// An http or https URL split for a connection.
struct UrlParts {
    bool secure;               // https
    std::string host;          // as written (letters, digits, '-', '.', '_')
    unsigned short port;       // the given port, or 80 / 443
    std::string pathAndQuery;  // "/" when the URL has no path; the query kept verbatim
};

// Accepts "http://" or "https://" (scheme in any case), a non-empty host, an optional ":port"
// (decimal, 1-65535) and an optional path and query. A fragment ("#...") is not part of the
// request and is dropped. False, with `out` unchanged, for anything else: another scheme, an
// empty host, a host with other characters (user information, brackets, spaces), a bad port.
bool SplitUrl(const std::string& url, UrlParts& out);

}  // namespace net
