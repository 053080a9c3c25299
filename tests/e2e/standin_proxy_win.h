// Stand-in HTTP proxy on 127.0.0.1 (an ephemeral port), for targets on 127.0.0.1 only. It
// records the request line and headers of every request it receives: for plain http the line
// carries the absolute URL ("GET http://127.0.0.1:PORT/call?... HTTP/1.1"), which it passes on
// to the target in origin form with "Connection: close", relaying the answer back; for https
// the line is "CONNECT 127.0.0.1:PORT HTTP/1.1", after which it relays bytes both ways. One
// request per connection; each lives at most kMaxConnectionMs. A reset by the target is passed
// on to the client as a reset.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "tests/e2e/http_request_win.h"
#include "tests/e2e/loopback_listener_win.h"

namespace e2e {

class StandInProxy {
  public:
    static constexpr DWORD kMaxConnectionMs = 60000;

    StandInProxy() = default;
    ~StandInProxy();
    StandInProxy(const StandInProxy&) = delete;
    StandInProxy& operator=(const StandInProxy&) = delete;

    bool Start();
    void Stop();

    unsigned short Port() const { return listener_.Port(); }
    // "127.0.0.1:PORT", as the ProxyServer setting names a proxy.
    std::string Address() const;

    // From now on a request without these credentials (Proxy-Authorization: Basic) is answered
    // 407 with Proxy-Authenticate and not passed on. Empty `user`: no credentials asked.
    void RequireCredentials(const std::string& user, const std::string& password);

    // Every request received, in order, those refused included.
    std::vector<RecordedRequest> Requests() const;
    std::vector<std::string> RequestLines() const;
    int Connections() const { return listener_.Connections(); }

  private:
    void Serve(SOCKET client);
    // Relays bytes both ways until both sides have ended or the connection's time is up.
    void Relay(SOCKET client, SOCKET target, ULONGLONG born);

    LoopbackListener listener_;
    std::atomic<int> connectionNumber_{0};
    mutable std::mutex mutex_;
    std::string credentials_;  // "Basic ..." expected, or "" for none
    std::vector<RecordedRequest> requests_;
};

// "user:password" in base64, as Basic authentication sends it.
std::string BasicCredentials(const std::string& user, const std::string& password);

}  // namespace e2e
