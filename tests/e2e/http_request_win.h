// Requests as the stand-ins receive them: the request line and headers of one request, and
// reading values out of a request target's query.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

struct RecordedRequest {
    std::string line;     // "GET /call?... HTTP/1.1"
    std::string method;   // "GET"
    std::string target;   // "/call?...", or "http://127.0.0.1:PORT/call?..." through a proxy
    std::string path;     // "/call" (the target up to '?')
    std::string headers;  // the header lines as received
    ULONGLONG tick = 0;   // GetTickCount64 when the request was complete
    int connection = 0;   // which of the stand-in's connections carried it (from 1)
    std::string Header(const std::string& name) const;  // value of a header, "" when absent
};

// The request whose head is `head` (request line and header lines, without the blank line).
RecordedRequest ParseRequestHead(const std::string& head);

// Percent-decodes a query value ("%2F" -> "/"); "+" stays "+".
std::string PercentDecode(const std::string& text);
// The value of a key in the query of a request target, decoded; "" when absent.
std::string QueryValue(const std::string& target, const std::string& key);

// ASCII lower case.
std::string AsciiLower(std::string s);

}  // namespace e2e
