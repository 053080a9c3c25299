// The split of a configured URL for a connection. A refused URL leaves the parts alone; an
// accepted one gives a plain host, a real port and a path that begins with "/" and carries no
// fragment, and putting the parts back together splits to the same parts again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/check.h"
#include "net/url.h"

namespace {

bool IsHostChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_';
}

bool SameParts(const net::UrlParts& a, const net::UrlParts& b) {
    return a.secure == b.secure && a.host == b.host && a.port == b.port &&
           a.pathAndQuery == b.pathAndQuery;
}

const net::UrlParts kUntouched{true, "untouched", 7, "untouched"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string url(reinterpret_cast<const char*>(data), size);
    net::UrlParts parts = kUntouched;
    if (!net::SplitUrl(url, parts)) {
        FUZZ_REQUIRE(SameParts(parts, kUntouched));
        return 0;
    }

    FUZZ_REQUIRE(!parts.host.empty());
    for (const char c : parts.host) {
        FUZZ_REQUIRE(IsHostChar(c));
    }
    FUZZ_REQUIRE(parts.port != 0);
    FUZZ_REQUIRE(!parts.pathAndQuery.empty() && parts.pathAndQuery.front() == '/');
    FUZZ_REQUIRE(parts.pathAndQuery.find('#') == std::string::npos);
    const bool https = url.size() > 5 && (url[4] == 's' || url[4] == 'S');
    FUZZ_REQUIRE(parts.secure == https);

    // The same URL written out again from its parts.
    const std::string rebuilt = std::string(parts.secure ? "https" : "http") + "://" + parts.host +
                                ":" + std::to_string(parts.port) + parts.pathAndQuery;
    net::UrlParts again = kUntouched;
    FUZZ_REQUIRE(net::SplitUrl(rebuilt, again));
    FUZZ_REQUIRE(SameParts(again, parts));

    // A fragment added to a URL that has none changes nothing that is sent.
    if (url.find('#') == std::string::npos) {
        net::UrlParts withFragment = kUntouched;
        FUZZ_REQUIRE(net::SplitUrl(url + "#frag/?x", withFragment));
        FUZZ_REQUIRE(SameParts(withFragment, parts));
    }
    return 0;
}
