#include "tests/e2e/standin_server_win.h"

#include "tests/e2e/socket_win.h"

namespace e2e {
namespace {

const char* Reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

}  // namespace

StandInServer::StandInServer() = default;

StandInServer::~StandInServer() {
    Stop();
}

bool StandInServer::Start() {
    listener_ = ListenOnLoopback(16, &port_);
    if (listener_ == INVALID_SOCKET) {
        return false;
    }
    stop_ = false;
    acceptor_ = std::thread(&StandInServer::AcceptLoop, this);
    return true;
}

void StandInServer::Stop() {
    stop_ = true;
    if (acceptor_.joinable()) {
        acceptor_.join();
    }
    if (listener_ != INVALID_SOCKET) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
    }
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        workers.swap(workers_);
    }
    for (std::thread& t : workers) {
        t.join();
    }
}

std::string StandInServer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void StandInServer::SetAnswer(const std::string& path, const CannedAnswer& answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_[path] = answer;
}

void StandInServer::SetResponder(std::function<CannedAnswer(const RecordedRequest&)> responder) {
    std::lock_guard<std::mutex> lock(mutex_);
    responder_ = std::move(responder);
}

std::vector<RecordedRequest> StandInServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<RecordedRequest> StandInServer::RequestsFor(const std::string& path) const {
    std::vector<RecordedRequest> out;
    for (const RecordedRequest& r : Requests()) {
        if (r.path == path) {
            out.push_back(r);
        }
    }
    return out;
}

unsigned short StandInServer::ClosedPort() {
    if (!EnsureWinsock()) {
        return 0;
    }
    SOCKET s = NewTcpSocket();
    if (s == INVALID_SOCKET) {
        return 0;
    }
    sockaddr_in address = Loopback(0);
    unsigned short port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        int size = sizeof address;
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
    }
    closesocket(s);  // bound, never listened on: nothing answers on this port
    return port;
}

void StandInServer::AcceptLoop() {
    while (!stop_) {
        if (!Readable(listener_, 100)) {
            continue;
        }
        SOCKET s = AcceptFrom(listener_);
        if (s == INVALID_SOCKET) {
            continue;
        }
        ++connections_;
        std::lock_guard<std::mutex> lock(mutex_);
        workers_.emplace_back(&StandInServer::Serve, this, s);
    }
}

bool StandInServer::Alive(ULONGLONG born) const {
    return !stop_ && GetTickCount64() - born < kMaxConnectionMs;
}

void StandInServer::Hold(ULONGLONG born) const {
    while (Alive(born)) {
        Sleep(20);
    }
}

void StandInServer::Serve(SOCKET s) {
    const ULONGLONG born = GetTickCount64();
    if (neverRead_) {
        Hold(born);
        closesocket(s);
        return;
    }

    // The request head, up to the blank line.
    std::string head;
    if (!ReadHead(s, &head, [&] { return Alive(born); })) {
        closesocket(s);
        return;
    }
    const RecordedRequest request = ParseRequestHead(head.substr(0, head.find("\r\n\r\n")));

    CannedAnswer answer;
    answer.status = 404;
    answer.body = "no such path";
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
        if (responder_) {
            answer = responder_(request);
        } else if (auto it = answers_.find(request.path); it != answers_.end()) {
            answer = it->second;
        }
    }

    if (answer.mode == CannedAnswer::Mode::NeverAnswer) {
        Hold(born);
        closesocket(s);
        return;
    }
    const ULONGLONG sendAt = GetTickCount64() + answer.delayMs;
    while (Alive(born) && GetTickCount64() < sendAt) {
        Sleep(20);
    }
    if (!Alive(born)) {
        closesocket(s);
        return;
    }

    std::string response = "HTTP/1.0 " + std::to_string(answer.status) + " " +
                           Reason(answer.status) +
                           "\r\nContent-Type: text/plain; charset=windows-1252\r\n";
    if (answer.contentLength) {
        response += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
    }
    response += "Connection: close\r\n\r\n";
    const bool stall = answer.stallAfter < answer.body.size();
    std::string body = stall ? answer.body.substr(0, answer.stallAfter) : answer.body;
    bool sent = true;
    if (answer.trickleMs > 0 && !stall) {
        sent = SendAll(s, response);
        for (size_t i = 0; sent && i < body.size(); ++i) {
            Sleep(answer.trickleMs);
            sent = Alive(born) && SendAll(s, body.substr(i, 1));
        }
    } else {
        if (answer.pauseAfter < body.size()) {
            sent = SendAll(s, response + body.substr(0, answer.pauseAfter));
            const ULONGLONG resumeAt = GetTickCount64() + answer.pauseMs;
            while (sent && Alive(born) && GetTickCount64() < resumeAt) {
                Sleep(20);
            }
            response.clear();
            body.erase(0, answer.pauseAfter);
        }
        sent = sent && Alive(born) && SendAll(s, response + body);
    }
    if (stall) {
        Hold(born);
        closesocket(s);
        return;
    }
    if (sent) {
        // An orderly end: say we are done, then let the client close first so no byte is lost.
        shutdown(s, SD_SEND);
        const ULONGLONG until = GetTickCount64() + 2000;
        while (Alive(born) && GetTickCount64() < until) {
            if (!Readable(s, 50)) {
                continue;
            }
            char drain[512];
            if (recv(s, drain, sizeof drain, 0) <= 0) {
                break;
            }
        }
    }
    closesocket(s);
}

}  // namespace e2e
