// The answer parser and both reply lines, on any bytes the service might send. Whatever the
// answer holds, the reply line keeps its 17 fields and the extended line its 7, each on one line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/check.h"
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string answer(reinterpret_cast<const char*>(data), size);

    record::CallRecord point;
    ParseAndCheck(point, answer, ".");

    // A user whose decimal separator is a comma reads the same texts; only coordinates may differ.
    record::CallRecord comma;
    ParseAndCheck(comma, answer, ",");
    FUZZ_REQUIRE(record::ExtendedLine(comma) == record::ExtendedLine(point));
    FUZZ_REQUIRE(comma.callsign == point.callsign && comma.address == point.address);

    // A second answer into the same record, as when one record serves two look-ups.
    ParseAndCheck(comma, answer.substr(size / 2), ",");
    return 0;
}
