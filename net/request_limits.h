// How long one request may keep its caller waiting, how long each blocking WinINet call on its
// worker may take, and whether it may start the last free worker.
#pragma once

#include <cstdint>

namespace net {

// The error of a request that timed out: WinINet's own (ERROR_INTERNET_TIMEOUT), and the one a
// request reports when its caller's budget ran out.
inline constexpr unsigned long kTimedOutError = 12002;

struct RequestLimits {
    std::uint32_t budgetMs = 0;       // the whole exchange: the open and every read together
    std::uint32_t callTimeoutMs = 0;  // each blocking call on the worker
    // No new worker is started when it would take the last free one (a waiting worker is still
    // handed the request).
    bool spareLastWorker = false;

    // A request that waits out its budget: each blocking call gives up well before the whole
    // budget is spent, at half of it, so that a silent server fails the call itself rather than
    // leaving the worker behind. It may take the last free worker.
    static RequestLimits Full(std::uint32_t budgetMs) { return {budgetMs, budgetMs / 2, false}; }

    // A request that its caller is ready to give up on soon: each blocking call may take the
    // whole budget, so that a call the caller gave up on ends on its worker about when the
    // caller gave up, and the worker goes. It never takes the last free worker, which stays for
    // a request that waits in full.
    static RequestLimits Short(std::uint32_t budgetMs) { return {budgetMs, budgetMs, true}; }
};

}  // namespace net
