// The look-up request: the request URL, the split of a URL for the connection, and the notices
// the service puts into the callsign field of its answer.
#pragma once

#include <string>

namespace lookup {

// Every byte outside A-Z a-z 0-9 - . _ ~ becomes %XX (upper-case hex of the byte); a space
// becomes %20.
std::string PercentEncode(const std::string& value);

// base + "/call?username=" + enc(user) + "&password=" + enc(password)
//      + "&rawlookup=1&callsign=" + enc(callsign) + "&program=Logger32"
std::string BuildLookupUrl(const std::string& base, const std::string& user,
                           const std::string& password, const std::string& callsign);

// The service's notices, judged on the record's Callsign field (exact, case-sensitive
// substrings), in the order the look-up applies them: "NOT FOUND" first; "ERROR" only in an
// answer that is not a not-found, since a not-found's reply text (the callsign asked for and
// " not found in lookup database|") holds the service's text no longer, and the callsign asked
// for never makes an account error. So "ERROR: NOT FOUND" is a plain not-found.
struct NoticeResult {
    bool notFound;      // the field holds "NOT FOUND"
    bool accountError;  // the field holds "ERROR" and no "NOT FOUND"
};
NoticeResult ClassifyNotices(const std::string& callsignField);

// Reply texts that replace the reply line. The callsign, as the logger sent it, goes in as a
// reply-line field (record::CleanField), so that no byte of it can split the reply file or add a
// field.
std::string NotFoundReply(
    const std::string& callsign);  // callsign + " not found in lookup database|"
std::string NoSessionReply(
    const std::string& callsign);  // callsign + "No Internet session in progress."

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

}  // namespace lookup
