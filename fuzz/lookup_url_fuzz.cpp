// The request URL of a look-up. Whatever the account and the callsign hold, the URL keeps its five
// query keys in order, holds no CR, LF, space or "#", splits for the connection, and each value
// decodes back to exactly what was given. The replacement replies built from the same callsign
// stay one line: no CR or LF, and the not-found reply's only "|" is its last byte.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "lookup/request.h"
#include "net/url.h"
#include "settings/options.h"

namespace {

struct Base {
    const char* url;
    const char* host;
    unsigned short port;
    const char* path;
};

const Base kBases[] = {
    {settings::kDefaultLookupBase, "callbook.quendix.example", 80, ""},
    {"http://127.0.0.1:8080", "127.0.0.1", 8080, ""},
    {"https://lookup.example/svc/v1", "lookup.example", 443, "/svc/v1"},
};

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;  // lower-case hex is never written
}

bool IsUnreserved(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// Decodes one query value; traps on anything but unreserved bytes and %XX.
std::string Decode(const std::string& value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '%') {
            FUZZ_REQUIRE(IsUnreserved(value[i]));
            out += value[i];
            continue;
        }
        FUZZ_REQUIRE(i + 2 < value.size());
        const int high = HexValue(value[i + 1]);
        const int low = HexValue(value[i + 2]);
        FUZZ_REQUIRE(high >= 0 && low >= 0);
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const Base& base = in.PickValueInArray(kBases);
    const std::string user = in.ConsumeRandomLengthString(64);
    const std::string password = in.ConsumeRandomLengthString(64);
    const std::string callsign = in.ConsumeRemainingBytesAsString();

    const std::string url = lookup::BuildLookupUrl(base.url, user, password, callsign);
    FUZZ_REQUIRE(url.find_first_of(std::string("\r\n #\0", 5)) == std::string::npos);

    const std::string head = std::string(base.url) + "/call?";
    FUZZ_REQUIRE(url.compare(0, head.size(), head) == 0);
    const std::vector<std::string> pairs = fuzz::Split(url.substr(head.size()), '&');
    FUZZ_REQUIRE(pairs.size() == 5);
    const char* const keys[] = {"username", "password", "rawlookup", "callsign", "program"};
    const std::string values[] = {user, password, "1", callsign, "Logger32"};
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const std::size_t equals = pairs[i].find('=');
        FUZZ_REQUIRE(equals != std::string::npos);
        FUZZ_REQUIRE(pairs[i].substr(0, equals) == keys[i]);
        FUZZ_REQUIRE(Decode(pairs[i].substr(equals + 1)) == values[i]);
    }

    net::UrlParts parts{};
    FUZZ_REQUIRE(net::SplitUrl(url, parts));
    FUZZ_REQUIRE(parts.host == base.host && parts.port == base.port);
    FUZZ_REQUIRE(parts.pathAndQuery == std::string(base.path) + url.substr(head.size() - 6));

    const std::string notFound = lookup::NotFoundReply(callsign);
    const std::string noSession = lookup::NoSessionReply(callsign);
    FUZZ_REQUIRE(!fuzz::HasLineBreak(notFound) && !fuzz::HasLineBreak(noSession));
    FUZZ_REQUIRE(fuzz::Count(notFound, '|') == 1 && notFound.back() == '|');
    FUZZ_REQUIRE(fuzz::Count(noSession, '|') == 0);
    return 0;
}
