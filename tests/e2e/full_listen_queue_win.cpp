#include "tests/e2e/full_listen_queue_win.h"

#include "tests/e2e/socket_win.h"

namespace e2e {

FullListenQueue::FullListenQueue() {
    if (!EnsureWinsock()) {
        return;
    }
    SOCKET listener = NewTcpSocket();
    if (listener == INVALID_SOCKET) {
        return;
    }
    sockets_.push_back(listener);
    sockaddr_in address = Loopback(0);
    int size = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        listen(listener, 1) != 0) {
        return;
    }
    port_ = ntohs(address.sin_port);
    // Connect clients that are never accepted until one of them is left hanging: from then on
    // every new connection waits in the handshake.
    for (int i = 0; i < 16 && !full_; ++i) {
        SOCKET client = NewTcpSocket();
        if (client == INVALID_SOCKET) {
            return;
        }
        sockets_.push_back(client);
        u_long nonBlocking = 1;
        ioctlsocket(client, FIONBIO, &nonBlocking);
        connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(client, &writable);
        timeval wait = {0, 300000};
        full_ = select(0, nullptr, &writable, nullptr, &wait) == 0;
    }
}

FullListenQueue::~FullListenQueue() {
    for (uintptr_t s : sockets_) {
        closesocket(static_cast<SOCKET>(s));
    }
}

std::string FullListenQueue::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

}  // namespace e2e
