#include "tests/e2e/http_request_win.h"

#include <cctype>

namespace e2e {

std::string AsciiLower(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

std::string RecordedRequest::Header(const std::string& name) const {
    const std::string wanted = AsciiLower(name);
    size_t start = 0;
    while (start < headers.size()) {
        size_t end = headers.find("\r\n", start);
        if (end == std::string::npos) {
            end = headers.size();
        }
        const std::string line = headers.substr(start, end - start);
        const auto colon = line.find(':');
        if (colon != std::string::npos && AsciiLower(line.substr(0, colon)) == wanted) {
            size_t v = colon + 1;
            while (v < line.size() && line[v] == ' ') {
                ++v;
            }
            return line.substr(v);
        }
        start = end + 2;
    }
    return std::string();
}

RecordedRequest ParseRequestHead(const std::string& head) {
    RecordedRequest request;
    const auto lineEnd = head.find("\r\n");
    request.line = head.substr(0, lineEnd);
    request.headers = lineEnd == std::string::npos ? "" : head.substr(lineEnd + 2);
    const auto sp1 = request.line.find(' ');
    const auto sp2 = request.line.find(' ', sp1 == std::string::npos ? 0 : sp1 + 1);
    if (sp1 != std::string::npos) {
        request.method = request.line.substr(0, sp1);
        request.target = request.line.substr(
            sp1 + 1, (sp2 == std::string::npos ? request.line.size() : sp2) - sp1 - 1);
    }
    request.path = request.target.substr(0, request.target.find('?'));
    request.tick = GetTickCount64();
    return request;
}

std::string PercentDecode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string QueryValue(const std::string& target, const std::string& key) {
    const auto q = target.find('?');
    if (q == std::string::npos) {
        return std::string();
    }
    size_t start = q + 1;
    while (start <= target.size()) {
        size_t end = target.find('&', start);
        if (end == std::string::npos) {
            end = target.size();
        }
        const std::string pair = target.substr(start, end - start);
        const auto eq = pair.find('=');
        if (eq != std::string::npos && pair.substr(0, eq) == key) {
            return PercentDecode(pair.substr(eq + 1));
        }
        start = end + 1;
    }
    return std::string();
}

}  // namespace e2e
