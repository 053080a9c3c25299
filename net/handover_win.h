// What a request's caller and its worker thread pass to each other, under one lock: the order,
// the outcome of the open, the body read so far, and the phase the exchange is in. Every member
// takes the lock itself. The worker's WinINet handles are not here: they belong to the worker
// alone (wininet_request_win.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "common/proxy_choice.h"
#include "net/sync_win.h"

namespace net {

class Handover {
  public:
    // The caller moves the exchange from Waiting to Opening and from Holding to Reading, and to
    // Closed or Abandoned at any time; the worker moves it on from Opening and from Reading, and
    // never out of Closed or Abandoned.
    enum class Phase {
        Waiting,     // no request asked for yet
        Opening,     // the worker opens the request
        OpenFailed,  // the request could not be opened
        Reading,     // the worker reads a piece of the body (the first one right after the open)
        Holding,     // a piece was read; the worker waits until the caller has taken it all
        Ended,       // the body ended, or as much of it as the caller wants was read
        ReadFailed,  // a read failed; the bytes that came before it are still handed over
        Closed,      // the caller is done with the request
        Abandoned,   // the caller gave up waiting
    };

    // What the worker is to do: fixed before the worker sees Opening.
    struct Order {
        std::string agent;
        common::ProxyChoice proxy;
        DWORD timeoutMs = 0;  // for each blocking WinINet call
        std::string url;
        size_t maxBody = SIZE_MAX;  // the worker never reads more of the body than this
    };

    // What the open came to.
    struct Outcome {
        bool ok = false;
        DWORD status = 0;
        std::optional<std::uint64_t> contentLength;  // as the server announced it
        std::string contentType;                     // as the server sent it; may be empty
        DWORD error = 0;                             // of the WinINet call that failed
    };

    // What a take handed over.
    struct Taken {
        DWORD bytes = 0;
        bool failed = false;  // the body ended in a failed read, and all before it is taken
        DWORD error = 0;      // of that read
    };

    Handover(std::string agent, common::ProxyChoice proxy, DWORD timeoutMs);
    Handover(const Handover&) = delete;
    Handover& operator=(const Handover&) = delete;

    // The caller's side.

    // Asks for the request: Waiting becomes Opening. Any other phase stays as it is.
    void Open(const std::string& url, size_t maxBody);
    // Waits at most `ms` for the worker to move the exchange out of `busy`; false when it is
    // still there.
    bool WaitWhile(Phase busy, DWORD ms);
    Outcome OpenOutcome() const;
    // The proxy the session went through ("host:port", or "direct"); empty before a session.
    std::string ProxyInForce() const;
    // Holding with every byte taken becomes Reading: the worker reads the next piece.
    void AskForMore();
    // Hands over at most `size` bytes of what was read and not yet taken.
    Taken Take(char* buffer, DWORD size);
    // The caller is done (Closed) or gave up (Abandoned); an abandoned exchange stays so.
    void Close();
    void Abandon();

    // The worker's side.

    // Waits until the caller asks for the request and gives the order; false when the caller
    // closed or abandoned the exchange first.
    bool TakeOrder(Order& order);
    void ShowProxy(std::string inForce);
    // Records the open's outcome: Opening becomes Reading or OpenFailed. True when the body is
    // to be read.
    bool OpenDone(const Outcome& outcome);
    // Waits until the caller wants more; then `room` is how much more of the body may be read.
    // False when the caller is gone or nothing more may be read (the exchange then Ended).
    bool NextPiece(size_t& room);
    // Adds a piece read: `n` bytes, then the end of the body when `n` is 0 or the read failed.
    // False when nothing more is to be read.
    bool Deliver(const char* data, size_t n, bool failed, DWORD error);
    bool Abandoned() const;

  private:
    mutable Mutex mutex_;
    Condition changed_;
    Phase phase_ = Phase::Waiting;
    Order order_;
    Outcome opened_;
    std::string proxyInForce_;
    // The body read and not yet taken: pending_[taken_..].
    std::string pending_;
    size_t taken_ = 0;
    size_t readTotal_ = 0;
    DWORD readError_ = 0;
};

}  // namespace net
