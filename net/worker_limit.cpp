#include "net/worker_limit.h"

namespace net {

WorkerLimit::Slot& WorkerLimit::Slot::operator=(Slot&& other) noexcept {
    if (this != &other) {
        Release();
        owner_ = other.owner_;
        other.owner_ = nullptr;
    }
    return *this;
}

void WorkerLimit::Slot::Release() {
    if (owner_) {
        owner_->Give();
        owner_ = nullptr;
    }
}

WorkerLimit::Slot WorkerLimit::TryTake(int keepFree) {
    int inUse = inUse_.load();
    while (inUse + keepFree < capacity_) {
        // Counts this slot only if no other taker changed the count meanwhile.
        if (inUse_.compare_exchange_weak(inUse, inUse + 1)) {
            return Slot(this);
        }
    }
    return Slot();
}

int WorkerLimit::InUse() const {
    return inUse_.load();
}

void WorkerLimit::Give() {
    inUse_.fetch_sub(1);
}

}  // namespace net
