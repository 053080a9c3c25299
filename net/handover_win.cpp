#include "net/handover_win.h"

#include <algorithm>
#include <utility>

namespace net {

Handover::Handover(std::string agent, common::ProxyChoice proxy, DWORD timeoutMs) {
    order_.agent = std::move(agent);
    order_.proxy = std::move(proxy);
    order_.timeoutMs = timeoutMs;
}

void Handover::Open(const std::string& url, size_t maxBody) {
    Lock lock(mutex_);
    if (phase_ != Phase::Waiting) {
        return;
    }
    order_.url = url;
    order_.maxBody = maxBody;
    phase_ = Phase::Opening;
    changed_.WakeAll();
}

bool Handover::WaitWhile(Phase busy, DWORD ms) {
    Lock lock(mutex_);
    return changed_.WaitFor(lock, ms, [&] { return phase_ != busy; });
}

Handover::Outcome Handover::OpenOutcome() const {
    Lock lock(mutex_);
    return opened_;
}

std::string Handover::ProxyInForce() const {
    Lock lock(mutex_);
    return proxyInForce_;
}

void Handover::AskForMore() {
    Lock lock(mutex_);
    if (phase_ == Phase::Holding && taken_ == pending_.size()) {
        phase_ = Phase::Reading;
        changed_.WakeAll();
    }
}

Handover::Taken Handover::Take(char* buffer, DWORD size) {
    Lock lock(mutex_);
    Taken taken;
    taken.bytes = static_cast<DWORD>(std::min<size_t>(size, pending_.size() - taken_));
    std::copy_n(pending_.begin() + taken_, taken.bytes, buffer);
    taken_ += taken.bytes;
    if (taken_ == pending_.size() && phase_ == Phase::ReadFailed) {
        taken.failed = true;
        taken.error = readError_;
    }
    return taken;
}

void Handover::Close() {
    Lock lock(mutex_);
    if (phase_ != Phase::Abandoned) {
        phase_ = Phase::Closed;
    }
    changed_.WakeAll();
}

void Handover::Abandon() {
    Lock lock(mutex_);
    phase_ = Phase::Abandoned;
    changed_.WakeAll();
}

bool Handover::TakeOrder(Order& order) {
    Lock lock(mutex_);
    changed_.Wait(lock, [&] { return phase_ != Phase::Waiting; });
    if (phase_ != Phase::Opening) {
        return false;
    }
    order = order_;
    return true;
}

void Handover::ShowProxy(std::string inForce) {
    Lock lock(mutex_);
    proxyInForce_ = std::move(inForce);
}

bool Handover::OpenDone(const Outcome& outcome) {
    Lock lock(mutex_);
    if (phase_ != Phase::Opening) {
        return false;  // the caller is gone
    }
    opened_ = outcome;
    // The first piece is read at once: the caller's first read follows the open.
    phase_ = outcome.ok ? Phase::Reading : Phase::OpenFailed;
    changed_.WakeAll();
    return outcome.ok;
}

bool Handover::NextPiece(size_t& room) {
    Lock lock(mutex_);
    // The worker blocks in a read only while the caller waits for it: while the caller is
    // elsewhere (in a box, say), no receive time-out can run out on a read nobody waits for.
    changed_.Wait(lock, [&] { return phase_ != Phase::Holding; });
    if (phase_ != Phase::Reading) {
        return false;
    }
    room = order_.maxBody - readTotal_;
    if (room == 0) {
        phase_ = Phase::Ended;
        changed_.WakeAll();
        return false;
    }
    return true;
}

bool Handover::Deliver(const char* data, size_t n, bool failed, DWORD error) {
    Lock lock(mutex_);
    if (phase_ != Phase::Reading) {
        return false;  // the caller is gone
    }
    pending_.erase(0, taken_);
    taken_ = 0;
    pending_.append(data, n);
    readTotal_ += n;
    if (failed) {
        readError_ = error;
        phase_ = Phase::ReadFailed;
    } else {
        phase_ = n == 0 ? Phase::Ended : Phase::Holding;
    }
    changed_.WakeAll();
    return phase_ == Phase::Holding;
}

bool Handover::Abandoned() const {
    Lock lock(mutex_);
    return phase_ == Phase::Abandoned;
}

}  // namespace net
