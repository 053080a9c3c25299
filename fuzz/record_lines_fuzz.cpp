// Both reply lines built from a record whose fields were set directly (not only through the
// parser), with any bytes, any coordinates and any decimal separator of the user. The lines keep
// their shape, and a value with no line break and no "|" reaches its field unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "record/call_record.h"

namespace {

bool IsPlain(const std::string& value) {
    return value.find_first_of("\r\n|") == std::string::npos;
}

// The field at `index` holds `value` whenever the value is plain.
void RequireCarried(const std::vector<std::string>& parts, std::size_t index,
                    const std::string& value) {
    FUZZ_REQUIRE(!IsPlain(value) || parts[index] == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string separator = in.ConsumeRandomLengthString(3);
    record::CallRecord r;
    auto next = [&in] { return in.ConsumeRandomLengthString(64); };
    r.callsign = next();
    r.firstName = next();
    r.middleName = next();
    r.lastName = next();
    r.address = next();
    r.city = next();
    r.state = next();
    r.postalCode = next();
    r.country = next();
    r.licenseClass = next();
    r.previousCall = next();
    r.county = next();
    r.gridSquare = next();
    r.email = next();
    r.url = next();
    r.qslManager = next();
    r.effectiveDate = next();
    r.expiryDate = next();
    r.codeA = next();
    r.gmtOffset = next();
    r.lastModified = next();
    r.latitude = in.ConsumeFloatingPoint<double>();
    r.longitude = in.ConsumeFloatingPoint<double>();

    const std::string reply = record::ReplyLine(r, separator);
    FUZZ_REQUIRE(fuzz::Count(reply, '|') == 17);
    FUZZ_REQUIRE(reply.back() == '|');
    FUZZ_REQUIRE(!fuzz::HasLineBreak(reply));
    const std::vector<std::string> fields = fuzz::Split(reply, '|');
    RequireCarried(fields, 0, r.callsign);
    RequireCarried(fields, 1, r.firstName);
    RequireCarried(fields, 3, r.address);
    RequireCarried(fields, 4, r.city);
    RequireCarried(fields, 5, r.state);
    RequireCarried(fields, 6, r.postalCode);
    RequireCarried(fields, 7, r.country);
    RequireCarried(fields, 8, r.licenseClass.substr(0, 1));
    RequireCarried(fields, 9, r.previousCall);
    RequireCarried(fields, 10, r.county);
    RequireCarried(fields, 11, r.gridSquare);
    RequireCarried(fields, 14, r.email);
    RequireCarried(fields, 15, r.url);
    RequireCarried(fields, 16, r.qslManager);

    const std::string extended = record::ExtendedLine(r);
    FUZZ_REQUIRE(fuzz::Count(extended, '|') == 6);
    FUZZ_REQUIRE(extended.front() == '|');
    FUZZ_REQUIRE(!fuzz::HasLineBreak(extended));
    const std::vector<std::string> extendedFields = fuzz::Split(extended, '|');
    FUZZ_REQUIRE(extendedFields[0].empty() && extendedFields[4].empty());
    RequireCarried(extendedFields, 1, r.effectiveDate);
    RequireCarried(extendedFields, 2, r.expiryDate);
    RequireCarried(extendedFields, 5, r.gmtOffset);
    RequireCarried(extendedFields, 6, r.lastModified);
    return 0;
}
