// The look-up request: the request URL, and the notices the service puts into the callsign
// field of its answer.
#pragma once

#include <cstddef>
#include <string>

#include "record/call_record.h"

namespace lookup {

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

// What the extended window is sent: "CTTP|", the reply text and the record's extended line.
std::string ExtendedMessage(const std::string& replyText, const record::CallRecord& record);

// The index of a field's place among the '|'-separated fields of an extended message whose reply
// text is a reply line: the reply line's fields follow "CTTP", the extended line's after them.
std::size_t MessageFieldIndex(record::LinePlace place);

}  // namespace lookup
