// One GET through WinINet, made on the thread that calls it: the session, the connection and
// the request, closed together (the request first) when the object goes, on that thread.
// Every call blocks; each blocking WinINet call gives up after the time-out it was given.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "common/proxy_choice.h"
#include "net/url.h"
#include "net/wininet_win.h"

namespace net {

class WinInetRequest {
  public:
    WinInetRequest() = default;
    WinInetRequest(const WinInetRequest&) = delete;
    WinInetRequest& operator=(const WinInetRequest&) = delete;

    // Splits `url`, loads WinINet and opens a session for `proxy`. False, with Error(), when
    // the URL is not usable, WinINet cannot be had or the session cannot be opened.
    bool OpenSession(const std::string& url, const std::string& agent,
                     const common::ProxyChoice& proxy, DWORD timeoutMs);

    // The proxy the session goes through ("host:port", or "direct"); empty before a session is
    // open.
    const std::string& ProxyInForce() const { return proxyInForce_; }

    // Connects and sends the GET; once it is answered, its status, Content-Length and
    // Content-Type are known.
    // False, with Error(), when any of it fails.
    bool Send();

    // Reads what has arrived, at most `wanted` bytes; 0 at the end of the body. A failed read
    // sets `failed` (Error() tells why) and may still have delivered some bytes.
    DWORD Read(char* buffer, DWORD wanted, bool& failed);

    DWORD Status() const { return status_; }
    const std::optional<std::uint64_t>& ContentLength() const { return contentLength_; }
    const std::string& ContentType() const { return contentType_; }
    // The error of the WinINet call that failed last; 0 when none failed.
    DWORD Error() const { return error_; }

  private:
    bool Fail();

    const WinInetFunctions* api_ = nullptr;
    UrlParts parts_{};
    DWORD timeoutMs_ = 0;
    std::string proxyInForce_;
    DWORD status_ = 0;
    std::optional<std::uint64_t> contentLength_;
    std::string contentType_;
    DWORD error_ = 0;
    UniqueInternet session_;
    UniqueInternet connection_;
    UniqueInternet request_;
};

}  // namespace net
