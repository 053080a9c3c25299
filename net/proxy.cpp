#include "net/proxy.h"

namespace net {

std::string DescribeProxy(const ProxyChoice& choice, const std::string& inForce) {
    if (inForce.empty() || !choice.unreadable) {
        return inForce;
    }
    return inForce + " (Proxy setting not understood)";
}

}  // namespace net
