#include "lookup/service_wait.h"

namespace lookup {

Heard HeardFrom(const RequestEnd& end) {
    if (end.opened && end.status != 0 && !end.readFailed) {
        return Heard::Answer;
    }
    // It failed: in time, or at once.
    if (end.error == net::kTimedOutError ||
        (end.callTimeoutMs > 0 && end.spentMs >= end.callTimeoutMs)) {
        return Heard::Silence;
    }
    return Heard::Nothing;
}

void ServiceWait::BeginLookup(std::uint64_t nowMs) {
    shortWait_ = silent_ && nowMs >= fullWaitBeganMs_ && nowMs - fullWaitBeganMs_ < kComeBackMs;
    if (!shortWait_) {
        fullWaitBeganMs_ = nowMs;
    }
}

net::RequestLimits ServiceWait::Limits(std::uint32_t leftMs) const {
    return shortWait_ ? net::RequestLimits::Short(leftMs) : net::RequestLimits::Full(leftMs);
}

void ServiceWait::Tell(Heard heard) {
    if (heard == Heard::Answer) {
        silent_ = false;
    } else if (heard == Heard::Silence) {
        silent_ = true;
    }
}

}  // namespace lookup
