#include "net/url.h"

#include <cctype>
#include <cstddef>

namespace net {

namespace {

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

bool IsHostChar(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_';
}

// Case-insensitive test that `s` begins with the lower-case ASCII `prefix`.
bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
    if (s.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string PercentEncode(const std::string& value) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string result;
    result.reserve(value.size() * 3);
    for (const char ch : value) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (IsUnreserved(c)) {
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
    if (StartsWithNoCase(url, "http://")) {
        pos = 7;
    } else if (StartsWithNoCase(url, "https://")) {
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
        if (!IsHostChar(static_cast<unsigned char>(c))) {
            return false;
        }
    }

    unsigned long port = secure ? 443 : 80;
    if (colon != std::string::npos) {
        const std::string digits = authority.substr(colon + 1);
        if (digits.empty() || digits.size() > 5) {
            return false;
        }
        port = 0;
        for (const char c : digits) {
            if (c < '0' || c > '9') {
                return false;
            }
            port = port * 10 + static_cast<unsigned long>(c - '0');
        }
        if (port < 1 || port > 65535) {
            return false;
        }
    }

    out.secure = secure;
    out.host = host;
    out.port = static_cast<unsigned short>(port);
    out.pathAndQuery = pathAndQuery;
    return true;
}

}  // namespace net
