// The listening side the stand-ins share: a port on 127.0.0.1, one thread that accepts, and a
// pool of worker threads that serve one connection at a time each.
//
// Built for the client's latency under Wine, where starting a thread and waking one that waits
// in select() each cost a client about a millisecond: the acceptor waits in accept(), a
// connection goes to a worker already waiting (a new thread is started only when all are busy),
// and a connection's sockets are blocking, with a receive time-out of the connection's whole
// life, so a handler can wait in recv() itself. Stop() shuts every open connection down, which
// ends such a wait; handlers that wait otherwise are to watch Stopping().
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace e2e {

class LoopbackListener {
  public:
    // Serves one accepted connection; the listener closes it afterwards.
    using Handler = std::function<void(SOCKET)>;
    // Threads serving at once at most; further connections wait for a free one.
    static constexpr size_t kMaxWorkers = 64;

    LoopbackListener() = default;
    ~LoopbackListener() { Stop(); }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    // `maxConnectionMs`: the receive time-out of each connection.
    bool Start(Handler handler, DWORD maxConnectionMs);
    void Stop();
    bool Stopping() const { return stop_; }

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
    DWORD maxConnectionMs_ = 0;
    std::deque<SOCKET> pending_;
    std::set<SOCKET> serving_;
    size_t idle_ = 0;
    std::vector<std::thread> workers_;
};

}  // namespace e2e
