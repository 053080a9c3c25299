#include "about/version.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "common/decimal.h"
#include "common/text.h"

namespace about {

namespace {

// A component is at most 4294967295, the same on every platform, whatever the width of
// unsigned long.
bool ParseComponent(std::string_view digits, unsigned long& value) {
    const std::optional<std::uint32_t> component = common::ParseDecimal<std::uint32_t>(digits);
    if (!component) {
        return false;
    }
    value = *component;
    return true;
}

}  // namespace

bool ParseDottedVersion(const std::string& body, std::vector<unsigned long>& out) {
    out.clear();
    const std::string_view trimmed = common::text::TrimBlanks(body);
    if (trimmed.empty()) {
        return false;
    }

    std::vector<unsigned long> components;
    const std::size_t end = trimmed.size();
    std::size_t start = 0;
    while (true) {
        std::size_t dot = trimmed.find('.', start);
        if (dot == std::string_view::npos) {
            dot = end;
        }
        unsigned long value = 0;
        if (!ParseComponent(trimmed.substr(start, dot - start), value)) {
            return false;
        }
        components.push_back(value);
        if (dot == end) {
            break;
        }
        start = dot + 1;
    }
    out = std::move(components);
    return true;
}

bool IsNewerVersion(const std::string& publishedBody, const Version& local) {
    std::vector<unsigned long> published;
    if (!ParseDottedVersion(publishedBody, published)) {
        return false;
    }
    const unsigned long own[] = {local.major, local.minor, local.revision};
    const std::size_t ownCount = sizeof own / sizeof own[0];
    const std::size_t count = published.size() > ownCount ? published.size() : ownCount;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned long theirs = i < published.size() ? published[i] : 0;
        const unsigned long ours = i < ownCount ? own[i] : 0;
        if (theirs != ours) {
            return theirs > ours;
        }
    }
    return false;
}

std::string VersionText(const Version& version) {
    return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
           std::to_string(version.revision);
}

std::string AboutTitleText() {
    return "Quendix Internet Lookup for Logger32\r\n ver. " + VersionText(kProgramVersion) +
           " by the Quendix team";
}

}  // namespace about
