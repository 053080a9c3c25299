// How a request goes out: the `[Service] Proxy` setting.
#pragma once

#include <string>

#include "common/proxy_choice.h"

namespace net {

// The route a request takes, from the `[Service] Proxy` value (settings::ParseProxySetting).
using ProxyChoice = common::ProxyChoice;

// The proxy field of a diagnostics line: the proxy in force ("host:port" or "direct"), with a
// note when the setting was given but not understood; empty when no session was opened.
std::string DescribeProxy(const ProxyChoice& choice, const std::string& inForce);

}  // namespace net
