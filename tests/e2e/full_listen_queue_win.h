// A port on 127.0.0.1 whose listen queue is full: the connection of a new client is never
// completed (its handshake goes unanswered) for as long as the object lives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

class FullListenQueue {
  public:
    FullListenQueue();
    ~FullListenQueue();
    FullListenQueue(const FullListenQueue&) = delete;
    FullListenQueue& operator=(const FullListenQueue&) = delete;

    // False when the queue could not be filled (the port then answers).
    bool Ok() const { return full_; }
    std::string BaseUrl() const;

  private:
    std::vector<uintptr_t> sockets_;  // the listener first, then the queued clients
    unsigned short port_ = 0;
    bool full_ = false;
};

}  // namespace e2e
