// How a request goes out: the `[Service] Proxy` setting.
#pragma once

#include <string>
#include <string_view>

namespace net {

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

}  // namespace net
