// The answer parser, both reply lines, the judgement of what is the service's answer and the
// test for an answer cut short, on any bytes a network might send. Whatever the answer holds,
// the reply line keeps its 17 fields and the extended line its 7, each on one line; what is
// judged the service's answer is never markup, JSON or XML, and reaches the parser as a notice
// or a callsign.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/text.h"
#include "fuzz/check.h"
#include "lookup/answer_judge.h"
#include "lookup/cut_answer.h"
#include "lookup/request.h"
#include "record/call_record.h"

namespace {

void CheckLines(const record::CallRecord& record, const std::string& separator) {
    const std::string reply = record::ReplyLine(record, separator);
    FUZZ_REQUIRE(fuzz::Count(reply, '|') == 17);
    FUZZ_REQUIRE(!reply.empty() && reply.back() == '|');
    FUZZ_REQUIRE(!fuzz::HasLineBreak(reply));

    const std::string extended = record::ExtendedLine(record);
    FUZZ_REQUIRE(fuzz::Count(extended, '|') == 6);
    FUZZ_REQUIRE(!extended.empty() && extended.front() == '|');
    FUZZ_REQUIRE(!fuzz::HasLineBreak(extended));
}

// Reads `answer` into `record` and checks what the parser promises besides the lines.
void ParseAndCheck(record::CallRecord& record, const std::string& answer,
                   const std::string& separator) {
    record::ReadAnswer(answer, separator, record);
    // Parsed values are trimmed of spaces, and a coordinate is always a finite number.
    const std::string& call = record.callsign;
    FUZZ_REQUIRE(call.empty() || (call.front() != ' ' && call.back() != ' '));
    FUZZ_REQUIRE(record.latitude - record.latitude == 0.0);
    FUZZ_REQUIRE(record.longitude - record.longitude == 0.0);
    CheckLines(record, separator);
}

// The judgement agrees with the parser: an answer is never markup, JSON or XML, and its callsign
// field is a notice or a callsign.
void JudgeAndCheck(const std::string& answer, const record::CallRecord& record) {
    const bool looks = lookup::LooksLikeServiceAnswer(answer);
    const std::string_view trimmed = common::text::TrimBlanks(answer);
    if (!trimmed.empty() &&
        (trimmed.front() == '<' || trimmed.front() == '{' || trimmed.front() == '[')) {
        FUZZ_REQUIRE(!looks);
    }
    // A later callsign field may replace the head; without one the head is the field.
    if (looks && answer.find('\xB5') == std::string::npos) {
        const lookup::NoticeResult notices = lookup::ClassifyNotices(record.callsign);
        FUZZ_REQUIRE(notices.notFound || common::text::Contains(record.callsign, "ERROR") ||
                     lookup::ReadsAsCallsign(common::text::TrimBlanks(record.callsign)));
        FUZZ_REQUIRE(!(notices.notFound && notices.accountError));
    }
    lookup::Exchange exchange;
    exchange.opened = true;
    exchange.status = 200;
    exchange.body = answer;
    exchange.announcedLength = answer.size();
    const lookup::Verdict verdict = lookup::JudgeExchange(exchange);
    if (trimmed.empty()) {
        FUZZ_REQUIRE(verdict == lookup::Verdict::NotReached);
    } else {
        FUZZ_REQUIRE(verdict == (looks ? lookup::Verdict::Answered : lookup::Verdict::NotAnAnswer));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string answer(reinterpret_cast<const char*>(data), size);

    record::CallRecord point;
    ParseAndCheck(point, answer, ".");
    JudgeAndCheck(answer, point);

    // A user whose decimal separator is a comma reads the same texts; only coordinates may differ.
    record::CallRecord comma;
    ParseAndCheck(comma, answer, ",");
    FUZZ_REQUIRE(record::ExtendedLine(comma) == record::ExtendedLine(point));
    FUZZ_REQUIRE(comma.callsign == point.callsign && comma.address == point.address);

    // An answer is never a beginning of itself; any part of it may be weighed against it.
    const std::string message = lookup::ExtendedMessage(record::ReplyLine(point), point);
    FUZZ_REQUIRE(!lookup::SeemsCutShortOf(answer, message, message));
    const std::string part = answer.substr(0, size / 2);
    const record::CallRecord partRecord = record::ParseAnswer(part);
    lookup::SeemsCutShortOf(
        part, lookup::ExtendedMessage(record::ReplyLine(partRecord), partRecord), message);

    // A second answer into the same record, as when one record serves two look-ups.
    ParseAndCheck(comma, answer.substr(size / 2), ",");
    return 0;
}
