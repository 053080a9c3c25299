// A plain WinINet client in the test process, for checking the stand-ins and the system's
// Internet settings apart from the program: one GET of a loopback URL in a session of its own,
// direct, through a named proxy, or as the system's settings say, every wait bounded.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

namespace e2e {

// What one GET saw.
struct Fetched {
    bool sent = false;  // HttpSendRequest succeeded
    DWORD error = 0;    // GetLastError when it did not
    DWORD status = 0;
    std::string version;  // "HTTP/1.0"
    std::string contentType;
    std::string proxyAuthenticate;
    std::string body;
};

// GET http://127.0.0.1:`port``target`. `accessType`: INTERNET_OPEN_TYPE_DIRECT, _PROXY (through
// `proxy`, "127.0.0.1:PORT", loopback not bypassed) or _PRECONFIG (the system's settings). The
// answer is waited for kFetchTimeoutMs at most, and read up to 4 MB.
inline constexpr DWORD kFetchTimeoutMs = 5000;
Fetched FetchOnce(unsigned short port, const std::string& target,
                  DWORD accessType = INTERNET_OPEN_TYPE_DIRECT, const std::string& proxy = "");

}  // namespace e2e
