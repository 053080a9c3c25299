// The answer parser and both reply lines, on any bytes the service might send. Whatever the
// answer holds, the reply line keeps its 17 fields and the extended line its 7, each on one line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/check.h"
#include "record/buckmaster.h"

namespace {

void CheckLines(const Buckmaster& record) {
    const std::string reply = record.ProcessInfo();
    FUZZ_REQUIRE(fuzz::Count(reply, '|') == 17);
    FUZZ_REQUIRE(!reply.empty() && reply.back() == '|');
    FUZZ_REQUIRE(!fuzz::HasLineBreak(reply));

    const std::string extended = record.ProcessExtendedInfo();
    FUZZ_REQUIRE(fuzz::Count(extended, '|') == 6);
    FUZZ_REQUIRE(!extended.empty() && extended.front() == '|');
    FUZZ_REQUIRE(!fuzz::HasLineBreak(extended));
}

// Parses `answer` into `record` and checks what the parser promises besides the lines.
void ParseAndCheck(Buckmaster& record, const std::string& answer) {
    std::string text = answer;
    record.ParseBuckmaster(text);
    FUZZ_REQUIRE(text.empty());  // the answer is consumed
    // Parsed values are trimmed of spaces, and a coordinate is always a finite number.
    const std::string& call = record.Callsign();
    FUZZ_REQUIRE(call.empty() || (call.front() != ' ' && call.back() != ' '));
    FUZZ_REQUIRE(record.Latitude() - record.Latitude() == 0.0);
    FUZZ_REQUIRE(record.Longitude() - record.Longitude() == 0.0);
    CheckLines(record);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string answer(reinterpret_cast<const char*>(data), size);

    Buckmaster point(".");
    ParseAndCheck(point, answer);

    // A user whose decimal separator is a comma reads the same texts; only coordinates may differ.
    Buckmaster comma(",");
    ParseAndCheck(comma, answer);
    FUZZ_REQUIRE(comma.ProcessExtendedInfo() == point.ProcessExtendedInfo());
    FUZZ_REQUIRE(comma.Callsign() == point.Callsign() && comma.Address() == point.Address());

    // A second answer into the same record, as when one record serves two look-ups.
    ParseAndCheck(comma, answer.substr(size / 2));
    return 0;
}
