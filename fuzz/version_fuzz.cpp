// The version parser and the update comparison. A parsed version writes out and parses back to
// the same numbers; a refused one leaves nothing behind; "newer" agrees with a plain
// component-by-component comparison and never holds both ways.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "about/version.h"
#include "fuzz/check.h"

namespace {

// -1, 0 or 1 as `a` is older than, the same as or newer than `b`, missing components being 0.
int Compare(const std::vector<unsigned long>& a, const std::vector<unsigned long>& b) {
    const std::size_t count = a.size() > b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned long x = i < a.size() ? a[i] : 0;
        const unsigned long y = i < b.size() ? b[i] : 0;
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return 0;
}

std::string Join(const std::vector<unsigned long>& components) {
    std::string text;
    for (std::size_t i = 0; i < components.size(); ++i) {
        text += (i == 0 ? "" : ".") + std::to_string(components[i]);
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const about::Version local{in.ConsumeIntegral<unsigned>(), in.ConsumeIntegral<unsigned>(),
                               in.ConsumeIntegral<unsigned>()};
    const std::string body = in.ConsumeRemainingBytesAsString();
    const std::vector<unsigned long> own = {local.major, local.minor, local.revision};

    // Our own version is never newer than itself, and parses back to itself.
    std::vector<unsigned long> parsed = {99};
    FUZZ_REQUIRE(!about::IsNewerVersion(about::VersionText(local), local));
    FUZZ_REQUIRE(about::ParseDottedVersion(about::VersionText(local), parsed) && parsed == own);

    const bool newer = about::IsNewerVersion(body, local);
    parsed = {99};
    if (!about::ParseDottedVersion(body, parsed)) {
        FUZZ_REQUIRE(parsed.empty());
        FUZZ_REQUIRE(!newer);
        return 0;
    }
    FUZZ_REQUIRE(!parsed.empty());
    for (const unsigned long component : parsed) {
        FUZZ_REQUIRE(component <= 4294967295UL);
    }
    std::vector<unsigned long> again;
    FUZZ_REQUIRE(about::ParseDottedVersion(" " + Join(parsed) + "\r\n", again) && again == parsed);

    FUZZ_REQUIRE(newer == (Compare(parsed, own) > 0));
    if (parsed.size() <= 3) {
        // Seen from the other side: the published version as ours, ours as the published one.
        const about::Version published{static_cast<unsigned>(parsed[0]),
                                       static_cast<unsigned>(parsed.size() > 1 ? parsed[1] : 0),
                                       static_cast<unsigned>(parsed.size() > 2 ? parsed[2] : 0)};
        FUZZ_REQUIRE(!(newer && about::IsNewerVersion(about::VersionText(local), published)));
    }
    return 0;
}
