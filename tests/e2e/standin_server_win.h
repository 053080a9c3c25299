// Stand-in look-up and update service: HTTP/1.0 on 127.0.0.1, an ephemeral port, one thread for
// accepting and one per connection. Each connection lives at most kMaxConnectionMs. Answers are
// canned per path or chosen per request, and can be slowed, stalled or withheld.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/http_request_win.h"

namespace e2e {

struct CannedAnswer {
    enum class Mode {
        Answer,       // status line, headers, body
        NeverAnswer,  // read the request, then send nothing
    };
    Mode mode = Mode::Answer;
    int status = 200;
    std::string body;              // raw bytes
    DWORD delayMs = 0;             // pause after the request before anything is sent
    bool contentLength = true;     // send a Content-Length header
    size_t stallAfter = SIZE_MAX;  // body bytes sent before the connection stalls for good
    size_t pauseAfter = SIZE_MAX;  // body bytes sent before a pause of pauseMs, then the rest
    DWORD pauseMs = 0;
    DWORD trickleMs = 0;  // when set, the body goes byte by byte, each after this pause
};

class StandInServer {
  public:
    static constexpr DWORD kMaxConnectionMs = 60000;

    StandInServer();
    ~StandInServer();
    StandInServer(const StandInServer&) = delete;
    StandInServer& operator=(const StandInServer&) = delete;

    bool Start();
    void Stop();

    unsigned short Port() const { return port_; }
    std::string BaseUrl() const;  // "http://127.0.0.1:PORT"

    // The answer for a path (the target up to '?'). Paths without one get 404.
    void SetAnswer(const std::string& path, const CannedAnswer& answer);
    // Chooses the answer from the request itself; takes precedence over SetAnswer.
    void SetResponder(std::function<CannedAnswer(const RecordedRequest&)> responder);
    // Accept connections and never read from them.
    void SetNeverRead(bool neverRead) { neverRead_ = neverRead; }

    std::vector<RecordedRequest> Requests() const;
    std::vector<RecordedRequest> RequestsFor(const std::string& path) const;
    // Connections accepted so far.
    int Connections() const { return connections_; }

    // A port on 127.0.0.1 that nobody listens on.
    static unsigned short ClosedPort();

  private:
    void AcceptLoop();
    void Serve(SOCKET s);
    bool Alive(ULONGLONG born) const;
    void Hold(ULONGLONG born) const;

    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> neverRead_{false};
    std::atomic<int> connections_{0};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::vector<std::thread> workers_;
    std::map<std::string, CannedAnswer> answers_;
    std::function<CannedAnswer(const RecordedRequest&)> responder_;
    std::vector<RecordedRequest> requests_;
};

}  // namespace e2e
