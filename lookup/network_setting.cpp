#include "lookup/network_setting.h"

namespace lookup {

std::string DescribeProxy(const ProxyChoice& choice, const std::string& inForce) {
    if (inForce.empty() || !choice.unreadable) {
        return inForce;
    }
    return inForce + " (Proxy setting not understood)";
}

}  // namespace lookup
