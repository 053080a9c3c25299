#include "net/idle_worker_win.h"

#include <utility>

namespace net {

bool IdleWorker::HandOver(const std::shared_ptr<Handover>& job) {
    Lock lock(mutex_);
    if (!waiting_ || next_) {
        return false;
    }
    next_ = job;
    arrived_.WakeOne();
    return true;
}

bool IdleWorker::Wait(std::shared_ptr<Handover>& job) {
    Lock lock(mutex_);
    if (waiting_) {
        return false;
    }
    waiting_ = true;
    arrived_.Wait(lock, [&] { return next_ != nullptr; });
    waiting_ = false;
    job = std::move(next_);
    next_.reset();
    return true;
}

IdleWorker& IdleWorkers() {
    static IdleWorker* const idle = new IdleWorker;
    return *idle;
}

}  // namespace net
