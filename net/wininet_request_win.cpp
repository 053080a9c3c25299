#include "net/wininet_request_win.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "common/decimal.h"

namespace net {
namespace {

void SetTimeouts(const WinInetFunctions& api, HINTERNET h, DWORD ms) {
    // Wine honours these on connection and request handles, Windows on every handle.
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                         INTERNET_OPTION_SEND_TIMEOUT}) {
        api.InternetSetOptionA(h, option, &ms, sizeof ms);
    }
}

// The proxy a session opened for `choice` goes through: "host:port", or "direct". Only the
// system's route needs the session's options asked.
std::string ProxyOf(const WinInetFunctions& api, HINTERNET session,
                    const common::ProxyChoice& choice) {
    if (choice.route == common::ProxyChoice::Route::Direct) {
        return "direct";
    }
    if (choice.route == common::ProxyChoice::Route::Named) {
        return choice.server;
    }
    // INTERNET_PROXY_INFO as the ANSI query fills it.
    struct ProxyInfo {
        DWORD accessType;
        const char* proxy;
        const char* bypass;
    };
    DWORD size = 0;
    api.InternetQueryOptionA(session, INTERNET_OPTION_PROXY, nullptr, &size);
    std::vector<char> buffer(std::max<DWORD>(size, sizeof(ProxyInfo)));
    size = static_cast<DWORD>(buffer.size());
    if (!api.InternetQueryOptionA(session, INTERNET_OPTION_PROXY, buffer.data(), &size)) {
        return "direct";
    }
    const ProxyInfo* info = reinterpret_cast<const ProxyInfo*>(buffer.data());
    if (info->accessType == INTERNET_OPEN_TYPE_PROXY && info->proxy && *info->proxy) {
        return info->proxy;
    }
    return "direct";
}

// The body's length as the answer's Content-Length header gives it; none when there is no such
// header or it is not a plain decimal number.
std::optional<std::uint64_t> ContentLengthOf(const WinInetFunctions& api, HINTERNET request) {
    char text[32] = {};
    DWORD size = sizeof text;
    if (!api.HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr) ||
        size == 0 || size >= sizeof text) {
        return std::nullopt;
    }
    return common::ParseDecimal<std::uint64_t>(std::string_view(text, size));
}

// The answer's Content-Type header as the server sent it; empty when there is none, or when it
// is longer than any real one.
std::string ContentTypeOf(const WinInetFunctions& api, HINTERNET request) {
    char text[256] = {};
    DWORD size = sizeof text;
    if (!api.HttpQueryInfoA(request, HTTP_QUERY_CONTENT_TYPE, text, &size, nullptr) ||
        size >= sizeof text) {
        return std::string();
    }
    return std::string(text, size);
}

}  // namespace

// Keeps the error of the WinINet call that just failed.
bool WinInetRequest::Fail() {
    error_ = GetLastError();
    return false;
}

bool WinInetRequest::OpenSession(const std::string& url, const std::string& agent,
                                 const common::ProxyChoice& proxy, DWORD timeoutMs) {
    if (!SplitUrl(url, parts_)) {
        error_ = ERROR_INTERNET_INVALID_URL;
        return false;
    }
    DWORD loadError = 0;
    api_ = WinInet(&loadError);
    if (!api_) {
        error_ = loadError;  // no WinINet: the request fails as one that could not be opened
        return false;
    }
    DWORD access = INTERNET_OPEN_TYPE_PRECONFIG;
    const char* server = nullptr;
    if (proxy.route == common::ProxyChoice::Route::Direct) {
        access = INTERNET_OPEN_TYPE_DIRECT;
    } else if (proxy.route == common::ProxyChoice::Route::Named) {
        access = INTERNET_OPEN_TYPE_PROXY;
        server = proxy.server.c_str();  // for every scheme; https goes through CONNECT
    }
    session_.reset(api_->InternetOpenA(agent.c_str(), access, server, nullptr, 0));
    if (!session_) {
        return Fail();
    }
    proxyInForce_ = ProxyOf(*api_, session_.get(), proxy);
    timeoutMs_ = timeoutMs;
    SetTimeouts(*api_, session_.get(), timeoutMs_);
    return true;
}

bool WinInetRequest::Send() {
    connection_.reset(api_->InternetConnectA(session_.get(), parts_.host.c_str(), parts_.port,
                                             nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection_) {
        return Fail();
    }
    SetTimeouts(*api_, connection_.get(), timeoutMs_);
    DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD;
    if (parts_.secure) {
        flags |= INTERNET_FLAG_SECURE;  // certificate errors are never ignored
    }
    request_.reset(api_->HttpOpenRequestA(connection_.get(), "GET", parts_.pathAndQuery.c_str(),
                                          nullptr, nullptr, nullptr, flags, 0));
    if (!request_) {
        return Fail();
    }
    SetTimeouts(*api_, request_.get(), timeoutMs_);
    if (!api_->HttpSendRequestA(request_.get(), nullptr, 0, nullptr, 0)) {
        return Fail();
    }
    DWORD code = 0;
    DWORD size = sizeof code;
    if (api_->HttpQueryInfoA(request_.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code,
                             &size, nullptr)) {
        status_ = code;
    }
    contentLength_ = ContentLengthOf(*api_, request_.get());
    contentType_ = ContentTypeOf(*api_, request_.get());
    return true;
}

DWORD WinInetRequest::Read(char* buffer, DWORD wanted, bool& failed) {
    // A plain read waits until the whole buffer is full; ask what has arrived first, so a
    // server that stalls in the body still hands over what it sent before.
    DWORD available = 0;
    if (!api_->InternetQueryDataAvailable(request_.get(), &available, 0, 0)) {
        error_ = GetLastError();
        failed = true;
        return 0;
    }
    if (available == 0) {
        return 0;  // end of the body
    }
    DWORD n = 0;
    if (!api_->InternetReadFile(request_.get(), buffer, std::min(available, wanted), &n)) {
        error_ = GetLastError();
        failed = true;  // a read that timed out may still have delivered some bytes
    }
    return n;
}

}  // namespace net
