#include "net/url.h"

#include <cstddef>
#include <optional>

#include "common/host_port.h"
#include "common/text.h"

namespace net {

namespace {

bool IsUnreserved(char c) {
    return common::text::IsAsciiLetter(c) || common::text::IsAsciiDigit(c) || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

}  // namespace

std::string PercentEncode(const std::string& value) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string result;
    result.reserve(value.size() * 3);
    for (const char ch : value) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (IsUnreserved(ch)) {
            result.push_back(ch);
        } else {
            result.push_back('%');
            result.push_back(kHex[c >> 4]);
            result.push_back(kHex[c & 0x0F]);
        }
    }
    return result;
}

bool SplitUrl(const std::string& url, UrlParts& out) {
    bool secure = false;
    std::size_t pos = 0;
    if (common::text::StartsWithNoCase(url, "http://")) {
        pos = 7;
    } else if (common::text::StartsWithNoCase(url, "https://")) {
        secure = true;
        pos = 8;
    } else {
        return false;
    }

    // The fragment never goes to the server.
    const std::string rest = url.substr(pos, url.find('#', pos) - pos);

    const std::size_t authorityEnd = rest.find_first_of("/?");
    const std::string authority = rest.substr(0, authorityEnd);
    std::string pathAndQuery = authorityEnd == std::string::npos ? "" : rest.substr(authorityEnd);
    if (pathAndQuery.empty() || pathAndQuery.front() == '?') {
        pathAndQuery.insert(0, "/");
    }

    const std::size_t colon = authority.find(':');
    const std::string host = authority.substr(0, colon);
    if (host.empty()) {
        return false;
    }
    for (const char c : host) {
        if (!common::IsHostNameByte(c)) {
            return false;
        }
    }

    unsigned short port = secure ? 443 : 80;
    if (colon != std::string::npos) {
        const std::optional<unsigned short> given = common::ParsePort(authority.substr(colon + 1));
        if (!given) {
            return false;
        }
        port = *given;
    }

    out.secure = secure;
    out.host = host;
    out.port = port;
    out.pathAndQuery = pathAndQuery;
    return true;
}

}  // namespace net
