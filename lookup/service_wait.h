// How long a look-up waits for the service, from what the look-ups before it heard. A service
// that accepts the connection and then says nothing (an overloaded server, a half-open route, a
// firewall that lets the handshake through) costs one full wait, not one per callsign.
//
//   - A look-up waits the full time: kFullWaitMs for all its requests together, each blocking
//     call at most half of what is left (net::RequestLimits::Full). So does every look-up while
//     the service is not silent, and the first one after the program starts.
//   - The service turns silent when a request of a look-up timed out waiting for it: it failed
//     with error 12002 (WinINet's, or the program's own when the budget ran out), or it failed
//     after its caller had waited for it at least one call's whole time-out (Wine reports a
//     receive time-out as 12030, "connection terminated").
//   - While the service is silent, a look-up still sends its request but waits only kShortWaitMs
//     for all its requests together (a second request with the base call gets what is left),
//     each blocking call as long as all that is left, so that a request given up on ends on its
//     worker about when the look-up gives up; and it never starts the last free worker
//     (net::RequestLimits::Short). When the short wait runs out, the look-up gives what a
//     time-out gives.
//   - The service is silent no more once a request has a whole exchange with it: a status, and
//     the body read until it ended (or to the program's limit) without a failed read, whatever
//     the status. A connection closed without a status line is no exchange.
//   - A slow but living service is heard again: while it is silent, the first look-up that begins
//     kComeBackMs or more after the last look-up with the full wait began has the full wait. If
//     that one times out too, the service stays silent.
//   - Anything else a request comes to neither turns the service silent nor ends its silence: a
//     refusal, a reset, a name that does not resolve, a failed read, no worker free, no WinINet
//     (they fail at once anyway).
//   - Only look-ups count: the update check tells this rule nothing.
#pragma once

#include <cstdint>

#include "net/request_limits.h"

namespace lookup {

// A look-up with the full wait, from opening its first request to the last read of its second,
// ends within this time whatever the server does. (host/lookup_run_win.h adds up a whole run.)
inline constexpr std::uint32_t kFullWaitMs = 20000;
// What a look-up waits while the service is silent: long enough for a living service's answer
// (a process's first request under Wine can take over a second), well under the 10 s after
// which a call of the full wait gives up.
inline constexpr std::uint32_t kShortWaitMs = 3000;
// At least this often a look-up gives a silent service the full wait again.
inline constexpr std::uint64_t kComeBackMs = 60000;

// How one request of a look-up ended, as far as the wait is concerned.
struct RequestEnd {
    bool opened = false;              // the request was sent and did not fail
    unsigned long status = 0;         // its HTTP status; 0 when no status line came
    bool readFailed = false;          // a read failed, or the time ran out in the body
    unsigned long error = 0;          // of the failed open or read; 0 when nothing failed
    std::uint32_t spentMs = 0;        // the time its caller waited for it
    std::uint32_t callTimeoutMs = 0;  // the time-out of each of its blocking calls
};

// What a request told of the service.
enum class Heard {
    Answer,   // a whole exchange, whatever its status
    Silence,  // it timed out waiting for the service
    Nothing,  // anything else
};

Heard HeardFrom(const RequestEnd& end);

// The program's memory of the service from one look-up to the next, and the wait of the look-up
// under way. The program's main window holds it; one look-up runs at a time.
class ServiceWait {
  public:
    // Begins a look-up at `nowMs` (a clock that never goes back) and chooses its wait.
    void BeginLookup(std::uint64_t nowMs);

    // The look-up under way has the short wait.
    bool ShortWait() const { return shortWait_; }
    // What the look-up under way may wait for all its requests together.
    std::uint32_t BudgetMs() const { return shortWait_ ? kShortWaitMs : kFullWaitMs; }
    // The limits of one of its requests when `leftMs` of that budget is left.
    net::RequestLimits Limits(std::uint32_t leftMs) const;

    // What one of its requests came to; a look-up tells each of its requests in turn.
    void Tell(Heard heard);

    bool Silent() const { return silent_; }

  private:
    bool silent_ = false;
    std::uint64_t fullWaitBeganMs_ = 0;  // when the last look-up with the full wait began
    bool shortWait_ = false;
};

}  // namespace lookup
