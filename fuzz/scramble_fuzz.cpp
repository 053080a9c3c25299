// Password scrambling. A password the check accepts comes back unchanged through the scrambled
// form and through the settings file; one it refuses would not have come back (or is the byte 255,
// the "Not Set" placeholder, or a non-ASCII byte where the code page is not single-byte).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/check.h"
#include "settings/scramble.h"

namespace {

bool IsTrimmed(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1A';
}

// What the private-profile reader hands back for a value written as "Password=<stored>": the
// line ends at CR, LF or NUL; white space and Ctrl-Z go from both ends; one pair of matching
// quotes around the value goes; at most 254 bytes come back.
std::string ReadBack(const std::string& stored) {
    std::string value = stored.substr(0, stored.find_first_of(std::string("\0\r\n", 3)));
    value = fuzz::Trim(value, IsTrimmed);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value.substr(0, 254);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const bool singleByteCodePage = in.ConsumeBool();
    const std::string password = in.ConsumeRemainingBytesAsString();

    const std::string stored = settings::EncodeText(password);
    FUZZ_REQUIRE(stored.size() == password.size());
    const bool accepted = settings::CanStorePassword(password, singleByteCodePage);

    bool asciiOnly = true;
    for (const char c : password) {
        asciiOnly = asciiOnly && static_cast<unsigned char>(c) < 0x7F;
    }
    const bool survivesFile = stored.empty() || (ReadBack(stored) == stored && stored != "Not Set");
    const bool allowedBytes =
        password.find('\xFF') == std::string::npos && (singleByteCodePage || asciiOnly);
    FUZZ_REQUIRE(accepted == (allowedBytes && survivesFile));

    if (accepted) {
        FUZZ_REQUIRE(settings::DecodeText(stored) == password);
        FUZZ_REQUIRE(settings::DecodeText(ReadBack(stored)) == password);
    }
    return 0;
}
