#include "net/proxy.h"

#include <cctype>

namespace net {
namespace {

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') {
        s.remove_prefix(1);
    }
    while (!s.empty() && s.back() == ' ') {
        s.remove_suffix(1);
    }
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool IsHostByte(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u < 0x80 && std::isalnum(u)) || c == '-' || c == '.' || c == '_';
}

bool IsPort(std::string_view digits) {
    if (digits.empty() || digits.size() > 5) {
        return false;
    }
    unsigned long port = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
        port = port * 10 + static_cast<unsigned long>(c - '0');
    }
    return port >= 1 && port <= 65535;
}

}  // namespace

ProxyChoice ParseProxySetting(std::string_view value) {
    ProxyChoice choice;
    std::string_view v = Trimmed(value);
    if (v.empty()) {
        return choice;
    }
    if (EqualsNoCase(v, "direct")) {
        choice.route = ProxyChoice::Route::Direct;
        return choice;
    }
    constexpr std::string_view kScheme = "http://";
    if (v.size() >= kScheme.size() && EqualsNoCase(v.substr(0, kScheme.size()), kScheme)) {
        v.remove_prefix(kScheme.size());
    }
    if (!v.empty() && v.back() == '/') {
        v.remove_suffix(1);
    }
    const std::size_t colon = v.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        choice.unreadable = true;
        return choice;
    }
    const std::string_view host = v.substr(0, colon);
    for (char c : host) {
        if (!IsHostByte(c)) {
            choice.unreadable = true;
            return choice;
        }
    }
    if (!IsPort(v.substr(colon + 1))) {
        choice.unreadable = true;
        return choice;
    }
    choice.route = ProxyChoice::Route::Named;
    choice.server = std::string(v);
    return choice;
}

std::string DescribeProxy(const ProxyChoice& choice, const std::string& inForce) {
    if (inForce.empty() || !choice.unreadable) {
        return inForce;
    }
    return inForce + " (Proxy setting not understood)";
}

}  // namespace net
