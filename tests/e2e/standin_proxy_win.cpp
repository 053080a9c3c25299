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
    SendAll(client, AnswerHead(answer, false) + answer.body);
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
    return listener_.Start([this](SOCKET s) { Serve(s); }, kMaxConnectionMs);
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

bool StandInProxy::Alive(ULONGLONG born) const {
    return !listener_.Stopping() && GetTickCount64() - born < kMaxConnectionMs;
}

void StandInProxy::Serve(SOCKET client) {
    const ULONGLONG born = GetTickCount64();
    const int connection = ++connectionNumber_;
    std::string buffer;
    if (!ReadHead(client, &buffer, [&] { return Alive(born); })) {
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

void StandInProxy::Relay(SOCKET client, SOCKET target, ULONGLONG born) {
    struct Side {
        SOCKET from;
        SOCKET to;
        bool open;
    };
    Side sides[2] = {{client, target, true}, {target, client, true}};
    while (Alive(born) && (sides[0].open || sides[1].open)) {
        fd_set readable;
        FD_ZERO(&readable);
        for (const Side& side : sides) {
            if (side.open) {
                FD_SET(side.from, &readable);
            }
        }
        timeval wait = {0, 100000};
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0) {
            continue;
        }
        for (Side& side : sides) {
            if (!side.open || !FD_ISSET(side.from, &readable)) {
                continue;
            }
            char chunk[16384];
            const int n = recv(side.from, chunk, sizeof chunk, 0);
            if (n > 0) {
                if (!SendAll(side.to, std::string(chunk, static_cast<size_t>(n)))) {
                    side.open = false;
                }
            } else if (n == 0) {
                shutdown(side.to, SD_SEND);  // an orderly end goes on as one
                side.open = false;
            } else {
                // A reset (or another failure) goes on as a reset when the sockets are closed.
                SetAbortiveClose(side.to);
                return;
            }
        }
    }
}

}  // namespace e2e
