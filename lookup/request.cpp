#include "lookup/request.h"

#include "common/text.h"
#include "net/url.h"
#include "product/messages.h"
#include "record/call_record.h"

namespace lookup {

std::string BuildLookupUrl(const std::string& base, const std::string& user,
                           const std::string& password, const std::string& callsign) {
    return base + "/call?username=" + net::PercentEncode(user) +
           "&password=" + net::PercentEncode(password) +
           "&rawlookup=1&callsign=" + net::PercentEncode(callsign) + "&program=Logger32";
}

NoticeResult ClassifyNotices(const std::string& callsignField) {
    NoticeResult result;
    result.notFound = common::text::Contains(callsignField, "NOT FOUND");
    result.accountError = !result.notFound && common::text::Contains(callsignField, "ERROR");
    return result;
}

std::string NotFoundReply(const std::string& callsign) {
    return product::messages::Fill(product::messages::kNotFoundReply,
                                   {{product::messages::kCallsign, record::CleanField(callsign)}});
}

std::string NoSessionReply(const std::string& callsign) {
    return product::messages::Fill(product::messages::kNoSessionReply,
                                   {{product::messages::kCallsign, record::CleanField(callsign)}});
}

std::string ExtendedMessage(const std::string& replyText, const record::CallRecord& record) {
    return "CTTP|" + replyText + record::ExtendedLine(record);
}

std::size_t MessageFieldIndex(record::LinePlace place) {
    const std::size_t reply = 1 + static_cast<std::size_t>(place.index);
    return place.line == record::LinePlace::Line::Extended ? reply + record::kReplyLineFields
                                                           : reply;
}

}  // namespace lookup
