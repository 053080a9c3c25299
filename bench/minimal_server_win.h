// The least a loopback HTTP server can do, for the bench's floor: one thread, a blocking accept
// and blocking reads, one HTTP/1.1 answer with Content-Length, then close. Nothing else; the
// bench runs bare GETs against it beside the same GETs against the stand-in service.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

class MinimalServer {
  public:
    static constexpr DWORD kReceiveTimeoutMs = 5000;

    MinimalServer() = default;
    ~MinimalServer() { Stop(); }
    MinimalServer(const MinimalServer&) = delete;
    MinimalServer& operator=(const MinimalServer&) = delete;

    // Answers every request with `body`; `onRequest` runs when a whole request has arrived.
    bool Start(const std::string& body, std::function<void()> onRequest);
    void Stop();
    unsigned short Port() const { return port_; }

  private:
    void Loop();

    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::string answer_;
    std::function<void()> onRequest_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
