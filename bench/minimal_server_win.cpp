#include "bench/minimal_server_win.h"

#include "tests/e2e/socket_win.h"

bool MinimalServer::Start(const std::string& body, std::function<void()> onRequest) {
    listener_ = e2e::ListenOnLoopback(16, &port_);
    if (listener_ == INVALID_SOCKET) {
        return false;
    }
    answer_ = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
              "\r\nConnection: close\r\n\r\n" + body;
    onRequest_ = std::move(onRequest);
    stop_ = false;
    thread_ = std::thread(&MinimalServer::Loop, this);
    return true;
}

void MinimalServer::Stop() {
    stop_ = true;
    if (thread_.joinable()) {
        // The thread waits in accept(): a connection of our own wakes it.
        SOCKET wake = e2e::ConnectToLoopback(port_);
        thread_.join();
        if (wake != INVALID_SOCKET) {
            closesocket(wake);
        }
    }
    if (listener_ != INVALID_SOCKET) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
    }
}

void MinimalServer::Loop() {
    while (!stop_) {
        SOCKET s = e2e::AcceptFrom(listener_);
        if (s == INVALID_SOCKET) {
            Sleep(10);
            continue;
        }
        const DWORD timeout = kReceiveTimeoutMs;
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                   sizeof timeout);
        std::string head;
        char chunk[2048];
        int n = 0;
        while (!stop_ && head.find("\r\n\r\n") == std::string::npos && head.size() < 65536 &&
               (n = recv(s, chunk, sizeof chunk, 0)) > 0) {
            head.append(chunk, static_cast<size_t>(n));
        }
        if (!stop_ && head.find("\r\n\r\n") != std::string::npos) {
            onRequest_();
            e2e::SendAll(s, answer_);
        }
        closesocket(s);
    }
}
