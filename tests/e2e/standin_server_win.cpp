#include "tests/e2e/standin_server_win.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tests/e2e/socket_win.h"

namespace e2e {

const char* ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 407:
            return "Proxy Authentication Required";
        case 500:
            return "Internal Server Error";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        default:
            return "Status";
    }
}

std::string AnswerHead(const CannedAnswer& answer, bool http11, bool keepOpen) {
    std::string head = std::string(http11 ? "HTTP/1.1 " : "HTTP/1.0 ") +
                       std::to_string(answer.status) + " " + ReasonPhrase(answer.status) + "\r\n";
    if (!answer.contentType.empty()) {
        head += "Content-Type: " + answer.contentType + "\r\n";
    }
    if (!answer.chunks.empty()) {
        head += "Transfer-Encoding: chunked\r\n";
    } else if (answer.contentLength) {
        head += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
    }
    const std::string extra = AsciiLower(answer.extraHeaders);
    if (answer.status == 407 && extra.find("proxy-authenticate:") == std::string::npos) {
        head += "Proxy-Authenticate: Basic realm=\"stand-in\"\r\n";
    }
    if (answer.status == 401 && extra.find("www-authenticate:") == std::string::npos) {
        head += "WWW-Authenticate: Basic realm=\"stand-in\"\r\n";
    }
    head += answer.extraHeaders;
    head += keepOpen ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    return head;
}

namespace {

// The body in chunked framing: the chunks of `sizes`, the rest in one more, then the last chunk;
// cut after `closeAfter` body bytes (inside the chunk that holds the next one) when that is less
// than the body.
std::string ChunkedBody(const std::string& body, const std::vector<size_t>& sizes,
                        size_t closeAfter) {
    std::vector<size_t> pieces;
    size_t total = 0;
    for (size_t size : sizes) {
        size = std::min(size, body.size() - total);
        if (size > 0) {
            pieces.push_back(size);
            total += size;
        }
    }
    if (total < body.size()) {
        pieces.push_back(body.size() - total);
    }
    std::string out;
    size_t at = 0;
    for (const size_t size : pieces) {
        char head[24];
        snprintf(head, sizeof head, "%zx\r\n", size);
        out += head;
        if (closeAfter < at + size) {
            return out + body.substr(at, closeAfter - at);
        }
        out += body.substr(at, size) + "\r\n";
        at += size;
    }
    return out + "0\r\n\r\n";
}

}  // namespace

StandInServer::~StandInServer() {
    Stop();
}

bool StandInServer::Start() {
    return listener_.Start([this](SOCKET s) { Serve(s); });
}

void StandInServer::Stop() {
    listener_.Stop();
}

std::string StandInServer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(Port());
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

bool StandInServer::Alive(ULONGLONG born) const {
    return !listener_.Stopping() && GetTickCount64() - born < kMaxConnectionMs;
}

void StandInServer::Hold(ULONGLONG born) const {
    while (Alive(born)) {
        Sleep(20);
    }
}

void StandInServer::Pause(ULONGLONG born, DWORD ms) const {
    const ULONGLONG until = GetTickCount64() + ms;
    while (Alive(born) && GetTickCount64() < until) {
        Sleep(20);
    }
}

void StandInServer::Serve(SOCKET s) {
    const ULONGLONG born = GetTickCount64();
    const int connection = ++connectionNumber_;
    if (neverRead_) {
        Hold(born);
        return;
    }
    const ULONGLONG end = born + kMaxConnectionMs;
    std::string buffer;  // what has arrived and is not yet taken: the next request's start
    for (int n = 0; n < kMaxRequestsPerConnection; ++n) {
        if (!ReadHead(s, &buffer, listener_.StopEvent(), end)) {
            return;
        }
        const size_t blank = buffer.find("\r\n\r\n");
        RecordedRequest request = ParseRequestHead(buffer.substr(0, blank));
        request.connection = connection;
        buffer.erase(0, blank + 4);
        // A request body is taken and ignored (the service's requests have none).
        const std::string length = request.Header("Content-Length");
        const size_t bodySize = length.empty() ? 0 : std::strtoul(length.c_str(), nullptr, 10);
        while (buffer.size() < bodySize) {
            char chunk[2048];
            const int got = ReceiveSome(s, chunk, sizeof chunk, listener_.StopEvent(), end);
            if (got <= 0) {
                return;
            }
            buffer.append(chunk, static_cast<size_t>(got));
        }
        buffer.erase(0, std::min(bodySize, buffer.size()));
        if (!AnswerOne(s, request, born)) {
            return;
        }
    }
}

bool StandInServer::AnswerOne(SOCKET s, const RecordedRequest& request, ULONGLONG born) {
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

    switch (answer.mode) {
        case CannedAnswer::Mode::Answer:
            break;
        case CannedAnswer::Mode::NeverAnswer:
            Hold(born);
            return false;
        case CannedAnswer::Mode::CloseWithoutAnswer:
            return false;
        case CannedAnswer::Mode::ResetAfterRequest:
            SetAbortiveClose(s);
            return false;
    }
    Pause(born, answer.delayMs);
    if (!Alive(born)) {
        return false;
    }

    const bool stall = answer.stallAfter < answer.body.size();
    const bool cut = answer.closeAfter < answer.body.size();
    const bool chunked = !answer.chunks.empty();
    // Without a Content-Length only the end of the connection ends the body.
    const bool keepOpen = keepAlive_ && answer.contentLength && !chunked && !stall && !cut &&
                          AsciiLower(request.Header("Connection")) != "close";
    std::string response = AnswerHead(answer, keepAlive_ || chunked, keepOpen);
    std::string body = chunked ? ChunkedBody(answer.body, answer.chunks, answer.closeAfter)
                       : stall ? answer.body.substr(0, answer.stallAfter)
                       : cut   ? answer.body.substr(0, answer.closeAfter)
                               : answer.body;
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
            Pause(born, sent ? answer.pauseMs : 0);
            response.clear();
            body.erase(0, answer.pauseAfter);
        }
        sent = sent && Alive(born) && SendAll(s, response + body);
    }
    if (stall) {
        Hold(born);
        return false;
    }
    if (sent && keepOpen) {
        return true;
    }
    if (sent) {
        // An orderly end: say we are done, then let the client close first so no byte is lost.
        shutdown(s, SD_SEND);
        const ULONGLONG until = std::min(GetTickCount64() + 2000, born + kMaxConnectionMs);
        char drain[512];
        while (ReceiveSome(s, drain, sizeof drain, listener_.StopEvent(), until) > 0) {
        }
    }
    return false;
}

}  // namespace e2e
