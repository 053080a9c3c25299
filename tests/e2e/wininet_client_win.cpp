#include "tests/e2e/wininet_client_win.h"

namespace e2e {
namespace {

std::string QueryText(HINTERNET request, DWORD what) {
    char text[512] = {};
    DWORD size = sizeof text;
    DWORD index = 0;
    return HttpQueryInfoA(request, what, text, &size, &index) ? std::string(text, size)
                                                              : std::string();
}

Fetched Get(HINTERNET session, unsigned short port, const std::string& target) {
    Fetched out;
    HINTERNET connection =
        InternetConnectA(session, "127.0.0.1", port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (!connection) {
        out.error = GetLastError();
        return out;
    }
    // Set on the connection: Wine ignores it on the session.
    DWORD timeout = kFetchTimeoutMs;
    InternetSetOptionA(connection, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    HINTERNET request =
        HttpOpenRequestA(connection, "GET", target.c_str(), nullptr, nullptr, nullptr,
                         INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD, 0);
    out.sent = request && HttpSendRequestA(request, nullptr, 0, nullptr, 0);
    out.error = out.sent ? 0 : GetLastError();
    if (out.sent) {
        DWORD status = 0;
        DWORD size = sizeof status;
        HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                       nullptr);
        out.status = status;
        out.version = QueryText(request, HTTP_QUERY_VERSION);
        out.contentType = QueryText(request, HTTP_QUERY_CONTENT_TYPE);
        out.proxyAuthenticate = QueryText(request, HTTP_QUERY_PROXY_AUTHENTICATE);
        char chunk[4096];
        DWORD n = 0;
        for (int reads = 0;
             reads < 1000 && InternetReadFile(request, chunk, sizeof chunk, &n) && n > 0; ++reads) {
            out.body.append(chunk, n);
        }
    }
    if (request) {
        InternetCloseHandle(request);
    }
    InternetCloseHandle(connection);
    return out;
}

}  // namespace

Fetched FetchOnce(unsigned short port, const std::string& target, DWORD accessType,
                  const std::string& proxy) {
    const bool named = accessType == INTERNET_OPEN_TYPE_PROXY;
    HINTERNET session = InternetOpenA("stand-in test", accessType, named ? proxy.c_str() : nullptr,
                                      named ? "<-loopback>" : nullptr, 0);
    if (!session) {
        Fetched failed;
        failed.error = GetLastError();
        return failed;
    }
    Fetched out = Get(session, port, target);
    InternetCloseHandle(session);
    return out;
}

}  // namespace e2e
