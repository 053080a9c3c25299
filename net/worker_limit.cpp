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

WorkerLimit::Slot WorkerLimit::TryTake() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (inUse_ >= capacity_) {
        return Slot();
    }
    ++inUse_;
    return Slot(this);
}

int WorkerLimit::InUse() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return inUse_;
}

void WorkerLimit::Give() {
    std::lock_guard<std::mutex> lock(mutex_);
    --inUse_;
}

}  // namespace net
