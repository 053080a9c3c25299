// How a request goes out, and whether the service was reached: the `[Service] Proxy` setting,
// and the judgement of one exchange with the service.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lookup {

// The route a request takes, from the `[Service] Proxy` value.
struct ProxyChoice {
    enum class Route {
        System,  // the proxy set for the current user in Windows (or none)
        Direct,  // straight to the server
        Named,   // through `server`
    };
    Route route = Route::System;
    std::string server;       // "host:port" for Named
    bool unreadable = false;  // a value was given but not understood: the system's setting
};

// "direct" in any case, spaces around it trimmed: Direct. "host:port", with "http://" (any
// case) before it allowed and one trailing '/' after it: Named; the host is letters, digits,
// '-', '.' and '_', the port 1-65535. Missing or empty: System. Anything else: System, marked
// unreadable.
ProxyChoice ParseProxySetting(std::string_view value);

// The proxy field of a diagnostics line: the proxy in force ("host:port" or "direct"), with a
// note when the setting was given but not understood; empty when no session was opened.
std::string DescribeProxy(const ProxyChoice& choice, const std::string& inForce);

// One exchange with the service as the run saw it.
struct Exchange {
    bool opened = false;      // the request was sent and a status came back
    bool readFailed = false;  // the body was cut off: a failed read or the budget ran out
    unsigned long status = 0;
    std::size_t bodyBytes = 0;
};

enum class Reach {
    Answered,    // an answer to parse
    CutOff,      // part of an answer: a kept answer goes first, else what arrived is parsed
    NotReached,  // no answer at all: not opened, a server error (5xx), a proxy's 407, no body
};

Reach JudgeExchange(const Exchange& exchange);

}  // namespace lookup
