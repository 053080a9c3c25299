// Stand-in look-up and update service on 127.0.0.1 (an ephemeral port). Answers are canned per
// path or chosen per request, sent with a Content-Length, ended by the close of the connection
// or in chunks, and can be slowed, stalled, withheld, cut off (by a reset, or by an orderly
// close short of the announced length or inside a chunk) or reset. By default
// each connection carries one request and one HTTP/1.0 answer with "Connection: close"; in
// keep-alive mode answers are HTTP/1.1 and the connection waits for the next request (unless
// the client asked to close it, or the answer has no Content-Length). Each
// connection lives at most kMaxConnectionMs and carries at most kMaxRequestsPerConnection.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "tests/e2e/http_request_win.h"
#include "tests/e2e/loopback_listener_win.h"

namespace e2e {

struct CannedAnswer {
    enum class Mode {
        Answer,              // status line, headers, body
        NeverAnswer,         // read the request, then send nothing and hold the connection
        CloseWithoutAnswer,  // read the request, then close the connection without a byte
        ResetAfterRequest,   // read the request, then reset the connection (RST)
    };
    Mode mode = Mode::Answer;
    int status = 200;
    std::string body;  // raw bytes
    std::string contentType = "text/plain; charset=windows-1252";
    // Further header lines, each ending in "\r\n". A 407 answer without a Proxy-Authenticate
    // line gets `Proxy-Authenticate: Basic realm="stand-in"`, a 401 without WWW-Authenticate
    // `WWW-Authenticate: Basic realm="stand-in"`.
    std::string extraHeaders;
    DWORD delayMs = 0;          // pause after the request before anything is sent
    bool contentLength = true;  // send a Content-Length header (without it, close ends it)
    // When not empty, the body goes chunked (HTTP/1.1, "Transfer-Encoding: chunked", no
    // Content-Length, the connection closed after it) in chunks of these sizes, the rest of the
    // body in one more chunk, then the last, empty one.
    std::vector<size_t> chunks;
    size_t stallAfter = SIZE_MAX;  // body bytes sent before the connection stalls for good
    // Body bytes sent before an orderly close, while Content-Length announces the whole body (or,
    // chunked, inside the chunk that holds the next byte, its size announcing all of it).
    size_t closeAfter = SIZE_MAX;
    size_t pauseAfter = SIZE_MAX;  // body bytes sent before a pause of pauseMs, then the rest
    DWORD pauseMs = 0;
    DWORD trickleMs = 0;  // when set, the body goes byte by byte, each after this pause
};

// The status line's reason phrase for a status ("Status" for one it does not know).
const char* ReasonPhrase(int status);
// Status line, headers and blank line of an answer: HTTP/1.1 or HTTP/1.0, and "Connection:
// keep-alive" when the connection stays open, else "Connection: close".
std::string AnswerHead(const CannedAnswer& answer, bool http11, bool keepOpen);

class StandInServer {
  public:
    static constexpr DWORD kMaxConnectionMs = 60000;
    static constexpr int kMaxRequestsPerConnection = 100;

    StandInServer() = default;
    ~StandInServer();
    StandInServer(const StandInServer&) = delete;
    StandInServer& operator=(const StandInServer&) = delete;

    bool Start();
    void Stop();

    unsigned short Port() const { return listener_.Port(); }
    std::string BaseUrl() const;  // "http://127.0.0.1:PORT"

    // The answer for a path (the target up to '?'). Paths without one get 404.
    void SetAnswer(const std::string& path, const CannedAnswer& answer);
    // Chooses the answer from the request itself; takes precedence over SetAnswer.
    void SetResponder(std::function<CannedAnswer(const RecordedRequest&)> responder);
    // Accept connections and never read from them.
    void SetNeverRead(bool neverRead) { neverRead_ = neverRead; }
    // HTTP/1.1 answers that leave the connection open for the next request (unless the client
    // asked to close it, or the answer has no Content-Length). Off: one answer, then close.
    void SetKeepAlive(bool keepAlive) { keepAlive_ = keepAlive; }

    std::vector<RecordedRequest> Requests() const;
    std::vector<RecordedRequest> RequestsFor(const std::string& path) const;
    // Connections accepted so far; RecordedRequest::connection numbers them from 1.
    int Connections() const { return listener_.Connections(); }

    // A port on 127.0.0.1 that nobody listens on.
    static unsigned short ClosedPort();

  private:
    void Serve(SOCKET s);
    // Answers one request; false when the connection is to end.
    bool AnswerOne(SOCKET s, const RecordedRequest& request, ULONGLONG born);
    bool Alive(ULONGLONG born) const;
    void Hold(ULONGLONG born) const;
    void Pause(ULONGLONG born, DWORD ms) const;

    LoopbackListener listener_;
    std::atomic<bool> neverRead_{false};
    std::atomic<bool> keepAlive_{false};
    std::atomic<int> connectionNumber_{0};
    mutable std::mutex mutex_;
    std::map<std::string, CannedAnswer> answers_;
    std::function<CannedAnswer(const RecordedRequest&)> responder_;
    std::vector<RecordedRequest> requests_;
};

}  // namespace e2e
