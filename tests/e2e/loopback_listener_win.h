// The listening side the stand-ins share: a port on 127.0.0.1, one thread that accepts, and a
// pool of worker threads that serve one connection at a time each.
//
// Built for the client's latency under Wine, where starting a thread for a connection and
// waking a thread that waits in select() each add up to a millisecond or more to a request
// (measured with bench --steps against a minimal server): the acceptor waits in accept(), a
// connection goes to a worker already waiting (a new thread is started only when all are busy),
// and handlers wait for the client's bytes in an overlapped receive (ReceiveSome with
// StopEvent()), which Stop() ends at once. Handlers that wait otherwise are to watch
// Stopping().
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace e2e {

class LoopbackListener {
  public:
    // Serves one accepted connection; the listener closes it afterwards.
    using Handler = std::function<void(SOCKET)>;
    // Threads serving at once at most; further connections wait for a free one.
    static constexpr size_t kMaxWorkers = 64;

    LoopbackListener();
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    bool Start(Handler handler);
    void Stop();
    bool Stopping() const { return stop_; }
    // Set by Stop(): a handler's waits end on it.
    HANDLE StopEvent() const { return stopEvent_; }

    unsigned short Port() const { return port_; }
    // Connections accepted so far.
    int Connections() const { return connections_; }

  private:
    void AcceptLoop();
    void WorkerLoop();

    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    Handler handler_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::thread acceptor_;
    std::mutex mutex_;
    std::condition_variable ready_;
    HANDLE stopEvent_ = nullptr;
    std::deque<SOCKET> pending_;
    size_t idle_ = 0;
    std::vector<std::thread> workers_;
};

}  // namespace e2e
