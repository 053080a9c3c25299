#include "tests/e2e/standin_proxy_win.h"

#include <algorithm>
#include <cstdlib>

#include "tests/e2e/socket_win.h"
#include "tests/e2e/standin_server_win.h"

namespace e2e {
namespace {

// Header lines that concern only the hop to the proxy; they are not passed on.
bool HopByHop(const std::string& line) {
    const std::string lower = AsciiLower(line.substr(0, line.find(':')));
    return lower == "proxy-connection" || lower == "proxy-authorization" || lower == "connection" ||
           lower == "keep-alive";
}

// The port of "127.0.0.1:PORT" or "localhost:PORT" (`defaultPort` when none is given); 0 for any
// other host or a port out of range.
unsigned short LoopbackPort(const std::string& authority, unsigned short defaultPort) {
    const auto colon = authority.rfind(':');
    const std::string host = authority.substr(0, colon);
    if (host != "127.0.0.1" && AsciiLower(host) != "localhost") {
        return 0;
    }
    if (colon == std::string::npos) {
        return defaultPort;
    }
    const std::string digits = authority.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
        return 0;
    }
    const unsigned long port = std::strtoul(digits.c_str(), nullptr, 10);
    return port > 0 && port < 65536 ? static_cast<unsigned short>(port) : 0;
}

// Sends a short answer of the proxy's own; the connection ends after it.
void Refuse(SOCKET client, int status, const std::string& why, const std::string& extra = "") {
    CannedAnswer answer;
    answer.status = status;
    answer.body = why;
    answer.extraHeaders = extra;
    SendAll(client, AnswerHead(answer, true, false) + answer.body);
    shutdown(client, SD_SEND);
}

}  // namespace

std::string BasicCredentials(const std::string& user, const std::string& password) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::string in = user + ":" + password;
    std::string out;
    for (size_t i = 0; i < in.size(); i += 3) {
        const size_t n = std::min<size_t>(3, in.size() - i);
        unsigned long bits = 0;
        for (size_t k = 0; k < 3; ++k) {
            bits = (bits << 8) | (k < n ? static_cast<unsigned char>(in[i + k]) : 0u);
        }
        for (size_t k = 0; k < 4; ++k) {
            out.push_back(k <= n ? kDigits[(bits >> (18 - 6 * k)) & 0x3F] : '=');
        }
    }
    return out;
}

StandInProxy::~StandInProxy() {
    Stop();
}

bool StandInProxy::Start() {
    return listener_.Start([this](SOCKET s) { Serve(s); });
}

void StandInProxy::Stop() {
    listener_.Stop();
}

std::string StandInProxy::Address() const {
    return "127.0.0.1:" + std::to_string(Port());
}

void StandInProxy::RequireCredentials(const std::string& user, const std::string& password) {
    std::lock_guard<std::mutex> lock(mutex_);
    credentials_ = user.empty() ? std::string() : "Basic " + BasicCredentials(user, password);
}

std::vector<RecordedRequest> StandInProxy::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<std::string> StandInProxy::RequestLines() const {
    std::vector<std::string> lines;
    for (const RecordedRequest& r : Requests()) {
        lines.push_back(r.line);
    }
    return lines;
}

void StandInProxy::Serve(SOCKET client) {
    const ULONGLONG born = GetTickCount64();
    const int connection = ++connectionNumber_;
    std::string buffer;
    if (!ReadHead(client, &buffer, listener_.StopEvent(), born + kMaxConnectionMs)) {
        return;
    }
    const size_t blank = buffer.find("\r\n\r\n");
    RecordedRequest request = ParseRequestHead(buffer.substr(0, blank));
    request.connection = connection;
    buffer.erase(0, blank + 4);  // what follows the head goes on to the target
    std::string credentials;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
        credentials = credentials_;
    }
    if (!credentials.empty() && request.Header("Proxy-Authorization") != credentials) {
        Refuse(client, 407, "proxy credentials needed",
               "Proxy-Authenticate: Basic realm=\"stand-in proxy\"\r\n");
        return;
    }

    const bool tunnel = request.method == "CONNECT";
    std::string authority;
    std::string path;
    if (tunnel) {
        authority = request.target;
    } else if (AsciiLower(request.target.substr(0, 7)) == "http://") {
        const size_t slash = request.target.find('/', 7);
        authority = request.target.substr(7, slash == std::string::npos ? slash : slash - 7);
        path = slash == std::string::npos ? "/" : request.target.substr(slash);
    }
    const unsigned short port = LoopbackPort(authority, tunnel ? 443 : 80);
    if (port == 0) {
        Refuse(client, 403, "only 127.0.0.1 targets");
        return;
    }
    SOCKET target = ConnectToLoopback(port);
    if (target == INVALID_SOCKET) {
        Refuse(client, 502, "the target refused the connection");
        return;
    }

    bool ok;
    if (tunnel) {
        ok = SendAll(client, "HTTP/1.1 200 Connection established\r\n\r\n") &&
             (buffer.empty() || SendAll(target, buffer));
    } else {
        const size_t version = request.line.rfind(' ');
        std::string head = request.method + " " + path +
                           (version == std::string::npos ? "" : request.line.substr(version)) +
                           "\r\n";
        size_t start = 0;
        while (start < request.headers.size()) {
            size_t end = request.headers.find("\r\n", start);
            if (end == std::string::npos) {
                end = request.headers.size();
            }
            const std::string line = request.headers.substr(start, end - start);
            if (!line.empty() && !HopByHop(line)) {
                head += line + "\r\n";
            }
            start = end + 2;
        }
        head += "Connection: close\r\n\r\n";
        ok = SendAll(target, head + buffer);
    }
    if (ok) {
        Relay(client, target, born);
    }
    closesocket(target);
}

// Each way has one overlapped receive in flight. An end read from one side is checked for a
// reset (see EndedByReset), and goes on to the other side the same way.
void StandInProxy::Relay(SOCKET client, SOCKET target, ULONGLONG born) {
    struct Way {
        SOCKET from = INVALID_SOCKET;
        SOCKET to = INVALID_SOCKET;
        bool open = true;
        bool pending = false;
        WSAOVERLAPPED overlapped = {};
        char chunk[16384];
    };
    Way ways[2];
    ways[0].from = ways[1].to = client;
    ways[0].to = ways[1].from = target;
    for (Way& way : ways) {
        way.overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    bool reset = false;
    const ULONGLONG end = born + kMaxConnectionMs;
    while (!reset && !listener_.Stopping() && (ways[0].open || ways[1].open) &&
           ways[0].overlapped.hEvent && ways[1].overlapped.hEvent) {
        // A receive for each open way that has none in flight.
        for (Way& way : ways) {
            if (!way.open || way.pending) {
                continue;
            }
            ResetEvent(way.overlapped.hEvent);
            WSABUF slice = {sizeof way.chunk, way.chunk};
            DWORD got = 0;
            DWORD flags = 0;
            if (WSARecv(way.from, &slice, 1, &got, &flags, &way.overlapped, nullptr) == 0 ||
                WSAGetLastError() == WSA_IO_PENDING) {
                way.pending = true;  // done at once or not: its event is set when it is
            } else {
                reset = true;
                SetAbortiveClose(way.to);
            }
        }
        HANDLE events[3];
        Way* owners[3];
        DWORD count = 0;
        for (Way& way : ways) {
            if (way.pending) {
                owners[count] = &way;
                events[count++] = way.overlapped.hEvent;
            }
        }
        if (reset || count == 0) {
            break;
        }
        events[count] = listener_.StopEvent();
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            break;
        }
        const DWORD which =
            WaitForMultipleObjects(count + 1, events, FALSE, static_cast<DWORD>(end - now));
        if (which >= WAIT_OBJECT_0 + count) {
            break;  // stopped, or the connection's time is up
        }
        Way& way = *owners[which - WAIT_OBJECT_0];
        way.pending = false;
        DWORD got = 0;
        DWORD flags = 0;
        if (!WSAGetOverlappedResult(way.from, &way.overlapped, &got, FALSE, &flags) ||
            (got == 0 && EndedByReset(way.from))) {
            // A reset (or another failure) goes on as a reset when the sockets are closed.
            SetAbortiveClose(way.to);
            reset = true;
        } else if (got == 0) {
            shutdown(way.to, SD_SEND);  // an orderly end goes on as one
            way.open = false;
        } else if (!SendAll(way.to, std::string(way.chunk, got))) {
            way.open = false;
        }
    }
    for (Way& way : ways) {
        if (way.pending) {
            DWORD got = 0;
            DWORD flags = 0;
            CancelIoEx(reinterpret_cast<HANDLE>(way.from), &way.overlapped);
            WSAGetOverlappedResult(way.from, &way.overlapped, &got, TRUE, &flags);
        }
        if (way.overlapped.hEvent) {
            CloseHandle(way.overlapped.hEvent);
        }
    }
}

}  // namespace e2e
