// One HTTP GET with a time budget. The blocking WinINet calls run on a worker thread, so a
// server that never answers, stalls in the body or never completes the connection cannot hold
// the caller past its budget. Only the time the caller spends waiting on the worker counts:
// time spent elsewhere between two calls (in a box, say) does not. A call abandoned when the
// budget runs out finishes on the worker, which then closes every handle it opened. The worker
// reads the body in pieces of what has arrived, and the caller's small reads take their bytes
// from the last piece without a hand-over each.
//
// At most kMaxRequestWorkers workers live at once in the program, abandoned ones included; a
// request that finds none free (a short one, RequestLimits::Short, none but the last) fails as a
// request that could not be opened. A worker whose
// request ended (not abandoned) waits for the next request, one such worker at most, so a run
// does not pay for starting a thread; every request still opens its own WinINet session.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "net/handover_win.h"
#include "net/proxy.h"
#include "net/request_limits.h"
#include "net/wait_budget.h"

namespace net {

class BoundedHttpGet {
  public:
    // `limits.budgetMs` bounds the time spent waiting on the whole exchange: opening the request
    // and every read together. `proxy` chooses the route; by default the proxy set for the
    // current user in Windows (whose automatic detection, if any, runs on the worker within the
    // budget).
    BoundedHttpGet(std::string agent, const RequestLimits& limits, ProxyChoice proxy = {});
    // A request that waits out `budgetMs` (RequestLimits::Full).
    BoundedHttpGet(std::string agent, DWORD budgetMs, ProxyChoice proxy = {})
        : BoundedHttpGet(std::move(agent), RequestLimits::Full(budgetMs), std::move(proxy)) {}
    ~BoundedHttpGet();
    BoundedHttpGet(const BoundedHttpGet&) = delete;
    BoundedHttpGet& operator=(const BoundedHttpGet&) = delete;

    // Opens the session and sends the request. False when the URL is not usable, the request
    // could not be sent, or the budget ran out first. The worker never reads more than
    // `maxBody` bytes of the body.
    bool Open(const std::string& url, size_t maxBody = SIZE_MAX);

    // Hands over at most `size` bytes of the body into `buffer` and returns how many: what has
    // arrived, waiting only when nothing has; 0 at the end of the body (or of `maxBody`), after
    // a failed read, or when the budget is spent.
    DWORD Read(char* buffer, DWORD size);

    // Releases the request; later reads deliver nothing.
    void Close();

    // The HTTP status of the answer (0 before a successful Open).
    DWORD Status() const { return status_; }

    // The body's length as the server announced it (Content-Length); none when it announced
    // none. A body that ends short of it was cut off, whatever the reads said.
    const std::optional<std::uint64_t>& ContentLength() const { return contentLength_; }

    // The answer's Content-Type as the server sent it (empty when it sent none).
    const std::string& ContentType() const { return contentType_; }

    // True once a read failed or the budget ran out.
    bool Failed() const { return failed_; }

    // The time spent waiting on the service so far, at most the budget. A second request of
    // the same run gets what is left: budget - SpentMs().
    DWORD SpentMs() const { return budget_.SpentMs(); }

    // The WinINet or system error of the failed open or read (ERROR_INTERNET_TIMEOUT when the
    // budget ran out first); 0 when nothing failed.
    DWORD Error() const { return error_; }

    // The proxy the session went through ("host:port"), or "direct", with DescribeProxy's note
    // when the Proxy setting was not understood; empty when no session was opened.
    const std::string& ProxyInForce() const { return proxyInForce_; }

    // What FetchText saw, for the diagnostics log.
    struct Report {
        DWORD status = 0;
        DWORD error = 0;
        size_t bytes = 0;
        DWORD ms = 0;
        std::string proxy;  // ProxyInForce
    };

    // Reads the whole body (no messages are dispatched). False, with `body` empty, on any
    // failure and when the body is longer than `maxBytes` (no more than one byte past that is
    // read).
    static bool FetchText(const std::string& url, const std::string& agent, DWORD budgetMs,
                          std::string& body, size_t maxBytes = SIZE_MAX, Report* report = nullptr,
                          const ProxyChoice& proxy = {});

  private:
    // Waits, within what is left of the budget, until the worker has moved the exchange out of
    // `busy`; false, with the request abandoned, when the budget runs out first.
    bool WaitWhile(Handover::Phase busy);
    void Abandon();

    std::shared_ptr<Handover> handover_;
    WaitBudget budget_;
    bool usable_ = true;
    bool failed_ = false;
    DWORD status_ = 0;
    std::optional<std::uint64_t> contentLength_;
    std::string contentType_;
    DWORD error_ = 0;
    std::string proxyInForce_;
};

}  // namespace net
