#include "net/idle_worker_win.h"

namespace net {

bool IdleWorker::HandOver(const std::shared_ptr<Handover>& job) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!waiting_ || next_) {
        return false;
    }
    next_ = job;
    arrived_.notify_one();
    return true;
}

bool IdleWorker::Wait(std::shared_ptr<Handover>& job) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (waiting_) {
        return false;
    }
    waiting_ = true;
    arrived_.wait(lock, [&] { return next_ != nullptr; });
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
