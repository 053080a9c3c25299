#include "tests/e2e/socket_win.h"

namespace e2e {
namespace {

// Sockets must not leak into the program under test: an inherited listening socket would keep
// a stopped server's port open.
void NoInherit(SOCKET s) {
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
}

}  // namespace

bool EnsureWinsock() {
    static const bool ok = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ok;
}

SOCKET NewTcpSocket() {
    SOCKET s = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                          WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) {
        s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    }
    if (s != INVALID_SOCKET) {
        NoInherit(s);
    }
    return s;
}

sockaddr_in Loopback(unsigned short port) {
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

SOCKET ListenOnLoopback(int backlog, unsigned short* port) {
    if (!EnsureWinsock()) {
        return INVALID_SOCKET;
    }
    SOCKET s = NewTcpSocket();
    if (s == INVALID_SOCKET) {
        return INVALID_SOCKET;
    }
    sockaddr_in address = Loopback(0);
    int size = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        listen(s, backlog) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    *port = ntohs(address.sin_port);
    return s;
}

SOCKET AcceptFrom(SOCKET listener) {
    SOCKET s = accept(listener, nullptr, nullptr);
    if (s != INVALID_SOCKET) {
        NoInherit(s);
    }
    return s;
}

SOCKET ConnectToLoopback(unsigned short port) {
    if (!EnsureWinsock()) {
        return INVALID_SOCKET;
    }
    SOCKET s = NewTcpSocket();
    if (s == INVALID_SOCKET) {
        return INVALID_SOCKET;
    }
    sockaddr_in address = Loopback(port);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

bool Readable(SOCKET s, DWORD ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv = {static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    return select(0, &set, nullptr, nullptr, &tv) > 0;
}

bool SendAll(SOCKET s, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<size_t>(n);
    }
    return true;
}

void SetAbortiveClose(SOCKET s) {
    linger abort = {1, 0};  // on, no time: closesocket sends RST and drops what is unsent
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
}

bool EndedByReset(SOCKET s) {
    char none = 0;
    return send(s, &none, 0, 0) == SOCKET_ERROR;
}

std::string ExchangeOnLoopback(unsigned short port, const std::string& request, DWORD timeoutMs,
                               int* error) {
    *error = WSAECONNREFUSED;
    SOCKET s = ConnectToLoopback(port);
    if (s == INVALID_SOCKET) {
        return std::string();
    }
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
               sizeof timeoutMs);
    std::string received;
    *error = SendAll(s, request) ? 0 : WSAGetLastError();
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (*error == 0) {
        if (GetTickCount64() >= end) {
            *error = WSAETIMEDOUT;
            break;
        }
        char chunk[4096];
        const int n = recv(s, chunk, sizeof chunk, 0);
        if (n > 0) {
            received.append(chunk, static_cast<size_t>(n));
        } else if (n == 0) {
            *error = EndedByReset(s) ? WSAECONNRESET : 0;
            break;
        } else {
            *error = WSAGetLastError();
        }
    }
    closesocket(s);
    return received;
}

int ReceiveSome(SOCKET s, char* buffer, int size, HANDLE stop, ULONGLONG deadline) {
    // One event per thread, made once: a receive is waited for on the thread that asked.
    thread_local HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!done) {
        return -1;
    }
    ResetEvent(done);
    WSAOVERLAPPED overlapped = {};
    overlapped.hEvent = done;
    WSABUF slice = {static_cast<ULONG>(size), buffer};
    DWORD got = 0;
    DWORD flags = 0;
    if (WSARecv(s, &slice, 1, &got, &flags, &overlapped, nullptr) != 0) {
        if (WSAGetLastError() != WSA_IO_PENDING) {
            return -1;
        }
        const ULONGLONG now = GetTickCount64();
        const DWORD wait = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        const HANDLE events[2] = {done, stop};
        if (WaitForMultipleObjects(stop ? 2 : 1, events, FALSE, wait) != WAIT_OBJECT_0) {
            CancelIoEx(reinterpret_cast<HANDLE>(s), &overlapped);
            WSAGetOverlappedResult(s, &overlapped, &got, TRUE, &flags);
            return -1;
        }
        if (!WSAGetOverlappedResult(s, &overlapped, &got, FALSE, &flags)) {
            return -1;
        }
    }
    return static_cast<int>(got);
}

bool ReadHead(SOCKET s, std::string* buffer, HANDLE stop, ULONGLONG deadline) {
    while (buffer->find("\r\n\r\n") == std::string::npos && buffer->size() < 65536) {
        char chunk[2048];
        const int n = ReceiveSome(s, chunk, sizeof chunk, stop, deadline);
        if (n <= 0) {
            break;
        }
        buffer->append(chunk, static_cast<size_t>(n));
    }
    return buffer->find("\r\n\r\n") != std::string::npos;
}

}  // namespace e2e
