// Both reply lines built from a record whose fields were set directly (not only through the
// parser), with any bytes, any coordinates and any decimal separator of the user. The lines keep
// their shape, and a value with no line break and no "|" reaches its field unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "record/buckmaster.h"

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
    Buckmaster r(in.ConsumeRandomLengthString(3));
    auto next = [&in] { return in.ConsumeRandomLengthString(64); };
    r.SetCallsign(next());
    r.SetFirstName(next());
    r.SetMiddleName(next());
    r.SetLastName(next());
    r.SetAddress(next());
    r.SetCity(next());
    r.SetState(next());
    r.SetPostalCode(next());
    r.SetCountry(next());
    r.SetLicenseClass(next());
    r.SetPreviousCall(next());
    r.SetCounty(next());
    r.SetGridSquare(next());
    r.SetEmail(next());
    r.SetURL(next());
    r.SetQSLManager(next());
    r.SetEffdate(next());
    r.SetEXPdate(next());
    r.SetCodeA(next());
    r.SetGMTOffset(next());
    r.SetLastModed(next());
    r.SetLatitude(in.ConsumeFloatingPoint<double>());
    r.SetLongitude(in.ConsumeFloatingPoint<double>());

    const std::string reply = r.ProcessInfo();
    FUZZ_REQUIRE(fuzz::Count(reply, '|') == 17);
    FUZZ_REQUIRE(reply.back() == '|');
    FUZZ_REQUIRE(!fuzz::HasLineBreak(reply));
    const std::vector<std::string> fields = fuzz::Split(reply, '|');
    RequireCarried(fields, 0, r.Callsign());
    RequireCarried(fields, 1, r.FirstName());
    RequireCarried(fields, 3, r.Address());
    RequireCarried(fields, 4, r.City());
    RequireCarried(fields, 5, r.State());
    RequireCarried(fields, 6, r.PostalCode());
    RequireCarried(fields, 7, r.Country());
    RequireCarried(fields, 8, r.LicenseClass().substr(0, 1));
    RequireCarried(fields, 9, r.PreviousCall());
    RequireCarried(fields, 10, r.County());
    RequireCarried(fields, 11, r.GridSquare());
    RequireCarried(fields, 14, r.Email());
    RequireCarried(fields, 15, r.URL());
    RequireCarried(fields, 16, r.QSLManager());

    const std::string extended = r.ProcessExtendedInfo();
    FUZZ_REQUIRE(fuzz::Count(extended, '|') == 6);
    FUZZ_REQUIRE(extended.front() == '|');
    FUZZ_REQUIRE(!fuzz::HasLineBreak(extended));
    const std::vector<std::string> extendedFields = fuzz::Split(extended, '|');
    FUZZ_REQUIRE(extendedFields[0].empty() && extendedFields[4].empty());
    RequireCarried(extendedFields, 1, r.Effdate());
    RequireCarried(extendedFields, 2, r.EXPdate());
    RequireCarried(extendedFields, 5, r.GMTOffset());
    RequireCarried(extendedFields, 6, r.LastModed());
    return 0;
}
