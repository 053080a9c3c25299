// The route of the program's requests, as the `[Service] Proxy` setting gives it: a plain value
// that the settings make and the HTTP client takes.
#pragma once

#include <string>

namespace common {

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

}  // namespace common
