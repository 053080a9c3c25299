#include "tests/e2e/loopback_listener_win.h"

#include "tests/e2e/socket_win.h"

namespace e2e {

LoopbackListener::LoopbackListener() : stopEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

LoopbackListener::~LoopbackListener() {
    Stop();
    if (stopEvent_) {
        CloseHandle(stopEvent_);
    }
}

bool LoopbackListener::Start(Handler handler) {
    if (!stopEvent_) {
        return false;
    }
    listener_ = ListenOnLoopback(16, &port_);
    if (listener_ == INVALID_SOCKET) {
        return false;
    }
    handler_ = std::move(handler);
    stop_ = false;
    ResetEvent(stopEvent_);
    acceptor_ = std::thread(&LoopbackListener::AcceptLoop, this);
    return true;
}

void LoopbackListener::Stop() {
    stop_ = true;
    if (stopEvent_) {
        SetEvent(stopEvent_);
    }
    if (acceptor_.joinable()) {
        // The acceptor waits in accept(): a connection of our own wakes it. Should that fail,
        // closing the listener ends the wait.
        SOCKET wake = ConnectToLoopback(port_);
        if (wake == INVALID_SOCKET) {
            closesocket(listener_);
            listener_ = INVALID_SOCKET;
        }
        acceptor_.join();
        if (wake != INVALID_SOCKET) {
            closesocket(wake);
        }
    }
    if (listener_ != INVALID_SOCKET) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
    }
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        workers.swap(workers_);
        ready_.notify_all();
    }
    for (std::thread& t : workers) {
        t.join();
    }
    // Connections never taken up by a worker.
    for (SOCKET s : pending_) {
        closesocket(s);
    }
    pending_.clear();
    idle_ = 0;
}

void LoopbackListener::AcceptLoop() {
    const SOCKET listener = listener_;
    while (!stop_) {
        SOCKET s = AcceptFrom(listener);
        if (s == INVALID_SOCKET) {
            if (stop_) {
                return;
            }
            Sleep(10);  // a failed accept (the client gave up): try again shortly
            continue;
        }
        if (stop_) {
            closesocket(s);
            return;
        }
        ++connections_;
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.push_back(s);
        // Every pending connection has a waiting worker, or a new one is started for it.
        if (pending_.size() > idle_ && workers_.size() < kMaxWorkers) {
            workers_.emplace_back(&LoopbackListener::WorkerLoop, this);
        }
        ready_.notify_one();
    }
}

void LoopbackListener::WorkerLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        ++idle_;
        ready_.wait(lock, [&] { return stop_ || !pending_.empty(); });
        --idle_;
        if (stop_) {
            return;
        }
        const SOCKET s = pending_.front();
        pending_.pop_front();
        lock.unlock();
        handler_(s);
        closesocket(s);
        lock.lock();
    }
}

}  // namespace e2e
