// The stand-ins themselves, driven from this process with plain WinINet and plain sockets: what
// later tests rely on them to do (keep-alive, answers cut off or reset, statuses with their
// headers, the proxy's records, forwarding and tunnel). No program under test here.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/files_win.h"
#include "tests/e2e/socket_win.h"
#include "tests/e2e/standin_proxy_win.h"
#include "tests/e2e/standin_server_win.h"
#include "tests/e2e/wininet_client_win.h"

namespace e2e {
namespace {

constexpr DWORD kTimeoutMs = 5000;

CannedAnswer Body(const std::string& body, int status = 200) {
    CannedAnswer a;
    a.status = status;
    a.body = body;
    return a;
}

class StandIns : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(EnsureWinsock());
        ASSERT_TRUE(server_.Start()) << "the stand-in service did not start";
    }
    std::string Request(const std::string& target) const {
        return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server_.Port()) +
               "\r\n\r\n";
    }

    StandInServer server_;
};

// By default every answer is HTTP/1.0 with "Connection: close": two requests, two connections.
// In keep-alive mode WinINet's second request, from a session of its own, goes over the first
// one's connection.
TEST_F(StandIns, KeepAliveServesTwoRequestsOverOneConnectionAndClosingStaysTheDefault) {
    server_.SetAnswer("/a", Body("first"));
    server_.SetAnswer("/b", Body("second"));

    Fetched a = FetchOnce(server_.Port(), "/a");
    Fetched b = FetchOnce(server_.Port(), "/b");
    ASSERT_TRUE(a.sent && b.sent) << a.error << " " << b.error;
    EXPECT_EQ(a.body, "first");
    EXPECT_EQ(b.body, "second");
    EXPECT_EQ(a.version, "HTTP/1.0");
    EXPECT_EQ(server_.Connections(), 2);
    ASSERT_EQ(server_.Requests().size(), 2u);
    EXPECT_NE(server_.Requests()[0].connection, server_.Requests()[1].connection);

    StandInServer keeping;
    keeping.SetKeepAlive(true);
    keeping.SetAnswer("/a", Body("first"));
    keeping.SetAnswer("/b", Body("second"));
    ASSERT_TRUE(keeping.Start());
    a = FetchOnce(keeping.Port(), "/a");
    b = FetchOnce(keeping.Port(), "/b");
    ASSERT_TRUE(a.sent && b.sent) << a.error << " " << b.error;
    EXPECT_EQ(a.body, "first");
    EXPECT_EQ(b.body, "second");
    EXPECT_EQ(a.version, "HTTP/1.1");
    EXPECT_EQ(keeping.Connections(), 1);
    const auto requests = keeping.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].connection, 1);
    EXPECT_EQ(requests[1].connection, 1);
    EXPECT_EQ(requests[1].path, "/b");
}

// A keep-alive connection still closes after an answer when the client asks for it.
TEST_F(StandIns, KeepAliveEndsTheConnectionWhenTheClientAsksToClose) {
    server_.SetKeepAlive(true);
    server_.SetAnswer("/a", Body("first"));
    int error = -1;
    const std::string closing = "GET /a HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    const std::string answer = ExchangeOnLoopback(server_.Port(), closing, kTimeoutMs, &error);
    EXPECT_EQ(error, 0) << "the connection did not end in order";
    EXPECT_EQ(Visible(answer), Visible("HTTP/1.1 200 OK\r\n"
                                       "Content-Type: text/plain; charset=windows-1252\r\n"
                                       "Content-Length: 5\r\nConnection: close\r\n\r\nfirst"));

    // Two requests sent at once are answered in turn over the same connection.
    const std::string both = "GET /a HTTP/1.1\r\nHost: x\r\n\r\n" + closing;
    const std::string answers = ExchangeOnLoopback(server_.Port(), both, kTimeoutMs, &error);
    EXPECT_EQ(error, 0);
    const std::string head =
        "HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=windows-1252\r\n"
        "Content-Length: 5\r\nConnection: ";
    EXPECT_EQ(Visible(answers),
              Visible(head + "keep-alive\r\n\r\nfirst" + head + "close\r\n\r\nfirst"));
    EXPECT_EQ(server_.Connections(), 2);
}

// The connection ends after the request without an answer: in order (WinINet then reads an empty
// body), or with a reset.
TEST_F(StandIns, ConnectionClosedOrResetAfterTheRequestWithoutAByte) {
    CannedAnswer closed;
    closed.mode = CannedAnswer::Mode::CloseWithoutAnswer;
    closed.body = "never sent";
    server_.SetAnswer("/closed", closed);
    CannedAnswer reset = closed;
    reset.mode = CannedAnswer::Mode::ResetAfterRequest;
    server_.SetAnswer("/reset", reset);

    int error = -1;
    EXPECT_EQ(ExchangeOnLoopback(server_.Port(), Request("/closed"), kTimeoutMs, &error), "");
    EXPECT_EQ(error, 0) << "an orderly end was expected";
    EXPECT_EQ(ExchangeOnLoopback(server_.Port(), Request("/reset"), kTimeoutMs, &error), "");
    EXPECT_EQ(error, WSAECONNRESET);

    const Fetched empty = FetchOnce(server_.Port(), "/closed");
    EXPECT_TRUE(empty.sent) << empty.error;
    EXPECT_EQ(empty.body, "");
    const Fetched failed = FetchOnce(server_.Port(), "/reset");
    EXPECT_EQ(failed.body, "");
    EXPECT_EQ(server_.RequestsFor("/closed").size(), 2u);
    EXPECT_EQ(server_.RequestsFor("/reset").size(), 2u);
}

// An answer cut by an orderly close: the head announces the whole body, the connection ends in
// order after part of it, and plain WinINet reads that part as a whole body without an error.
TEST_F(StandIns, AnswerCutByAnOrderlyCloseShortOfItsLength) {
    CannedAnswer cut = Body("0123456789abcdefghijklmnopqrstuvwxyz");
    cut.closeAfter = 10;
    server_.SetAnswer("/cut", cut);
    int error = -1;
    const std::string raw = ExchangeOnLoopback(server_.Port(), Request("/cut"), kTimeoutMs, &error);
    EXPECT_EQ(error, 0) << "an orderly end was expected";
    EXPECT_NE(raw.find("Content-Length: 36\r\n"), std::string::npos) << raw;
    EXPECT_EQ(raw.substr(raw.size() - 12), "\r\n0123456789") << raw;

    const Fetched fetched = FetchOnce(server_.Port(), "/cut");
    EXPECT_TRUE(fetched.sent) << fetched.error;
    EXPECT_EQ(fetched.body, "0123456789");
}

// A chunked answer: whole in its chunks, or cut by an orderly close inside one, which plain
// WinINet reads as a clean end of a shorter body (no length to compare with).
TEST_F(StandIns, ChunkedAnswersWholeAndCutInsideAChunk) {
    CannedAnswer whole = Body("0123456789abcdefghijklmnopqrstuvwxyz");
    whole.chunks = {10, 20};
    server_.SetAnswer("/chunked", whole);
    CannedAnswer cut = whole;
    cut.closeAfter = 15;
    server_.SetAnswer("/cut", cut);

    int error = -1;
    std::string raw = ExchangeOnLoopback(server_.Port(), Request("/chunked"), kTimeoutMs, &error);
    EXPECT_EQ(error, 0);
    EXPECT_NE(raw.find("HTTP/1.1 200 OK\r\n"), std::string::npos) << raw;
    EXPECT_NE(raw.find("Transfer-Encoding: chunked\r\n"), std::string::npos) << raw;
    EXPECT_EQ(raw.find("Content-Length"), std::string::npos) << raw;
    EXPECT_EQ(raw.substr(raw.find("\r\n\r\n") + 4),
              "a\r\n0123456789\r\n14\r\nabcdefghijklmnopqrst\r\n6\r\nuvwxyz\r\n0\r\n\r\n");
    raw = ExchangeOnLoopback(server_.Port(), Request("/cut"), kTimeoutMs, &error);
    EXPECT_EQ(error, 0) << "an orderly end was expected";
    EXPECT_EQ(raw.substr(raw.find("\r\n\r\n") + 4), "a\r\n0123456789\r\n14\r\nabcde");

    Fetched fetched = FetchOnce(server_.Port(), "/chunked");
    EXPECT_TRUE(fetched.sent) << fetched.error;
    EXPECT_EQ(fetched.body, whole.body);
    fetched = FetchOnce(server_.Port(), "/cut");
    EXPECT_TRUE(fetched.sent) << fetched.error;
    EXPECT_EQ(fetched.body, "0123456789abcde");
}

// Any status goes out with its body, its content type and the header that goes with it.
TEST_F(StandIns, StatusAnswersCarryTheirBodyAndHeaders) {
    CannedAnswer page = Body("<html><body>Internal error</body></html>", 500);
    page.contentType = "text/html";
    server_.SetAnswer("/page", page);
    server_.SetAnswer("/proxy-auth", Body("credentials needed", 407));
    CannedAnswer own = Body("", 302);
    own.extraHeaders = "Location: /page\r\n";
    server_.SetAnswer("/moved", own);

    const Fetched error = FetchOnce(server_.Port(), "/page");
    ASSERT_TRUE(error.sent) << error.error;
    EXPECT_EQ(error.status, 500u);
    EXPECT_EQ(error.contentType, "text/html");
    EXPECT_EQ(error.body, page.body);

    int code = -1;
    const std::string auth =
        ExchangeOnLoopback(server_.Port(), Request("/proxy-auth"), kTimeoutMs, &code);
    EXPECT_EQ(Visible(auth.substr(0, auth.find("\r\n"))),
              "HTTP/1.0 407 Proxy Authentication Required");
    EXPECT_NE(auth.find("\r\nProxy-Authenticate: Basic realm=\"stand-in\"\r\n"), std::string::npos)
        << Visible(auth);
    const std::string moved =
        ExchangeOnLoopback(server_.Port(), Request("/moved"), kTimeoutMs, &code);
    EXPECT_EQ(moved.substr(0, moved.find("\r\n")), "HTTP/1.0 302 Found");
    EXPECT_NE(moved.find("\r\nLocation: /page\r\n"), std::string::npos) << Visible(moved);
}

class StandInProxyTest : public StandIns {
  protected:
    void SetUp() override {
        StandIns::SetUp();
        ASSERT_TRUE(proxy_.Start()) << "the stand-in proxy did not start";
    }
    std::string ServiceUrl(const std::string& target) const { return server_.BaseUrl() + target; }

    StandInProxy proxy_;
};

// A WinINet GET through the proxy reaches the service; the proxy saw the absolute URL, the
// service the path, with the connection to be closed.
TEST_F(StandInProxyTest, PassesPlainHttpOnAndRecordsTheAbsoluteUrl) {
    server_.SetAnswer("/call", Body("N0CALL"));
    const Fetched got = FetchOnce(server_.Port(), "/call?callsign=N0CALL", INTERNET_OPEN_TYPE_PROXY,
                                  proxy_.Address());
    ASSERT_TRUE(got.sent) << got.error;
    EXPECT_EQ(got.status, 200u);
    EXPECT_EQ(got.body, "N0CALL");

    ASSERT_EQ(proxy_.RequestLines().size(), 1u);
    EXPECT_EQ(proxy_.RequestLines()[0], "GET " + ServiceUrl("/call?callsign=N0CALL") + " HTTP/1.1");
    const auto seen = server_.Requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].line, "GET /call?callsign=N0CALL HTTP/1.1");
    EXPECT_EQ(seen[0].Header("Connection"), "close");
    EXPECT_EQ(seen[0].Header("Proxy-Connection"), "");
}

// CONNECT opens a tunnel to the port named: what goes in comes out at the service, and back.
TEST_F(StandInProxyTest, TunnelsConnectToTheNamedPort) {
    server_.SetAnswer("/call", Body("through the tunnel"));
    const std::string authority = "127.0.0.1:" + std::to_string(server_.Port());
    const std::string connect =
        "CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n\r\n" + Request("/call");
    int error = -1;
    const std::string got = ExchangeOnLoopback(proxy_.Port(), connect, kTimeoutMs, &error);
    EXPECT_EQ(error, 0);
    const std::string established = "HTTP/1.1 200 Connection established\r\n\r\n";
    ASSERT_EQ(Visible(got.substr(0, established.size())), Visible(established));
    EXPECT_EQ(got.substr(established.size(), 15), "HTTP/1.0 200 OK");
    EXPECT_EQ(got.substr(got.size() - 18), "through the tunnel");

    EXPECT_EQ(proxy_.RequestLines(),
              std::vector<std::string>{"CONNECT " + authority + " HTTP/1.1"});
    ASSERT_EQ(server_.Requests().size(), 1u);
    EXPECT_EQ(server_.Requests()[0].line, "GET /call HTTP/1.1");
}

// A reset by the service reaches the client as a reset, through the proxy too.
TEST_F(StandInProxyTest, PassesAResetOn) {
    CannedAnswer reset;
    reset.mode = CannedAnswer::Mode::ResetAfterRequest;
    server_.SetAnswer("/reset", reset);
    int error = -1;
    const std::string request = "GET " + ServiceUrl("/reset") + " HTTP/1.1\r\nHost: x\r\n\r\n";
    EXPECT_EQ(ExchangeOnLoopback(proxy_.Port(), request, kTimeoutMs, &error), "");
    EXPECT_EQ(error, WSAECONNRESET);
    EXPECT_EQ(server_.RequestsFor("/reset").size(), 1u);
}

// With credentials required, a request without them gets 407 and goes no further; with them it
// is passed on. Hosts other than 127.0.0.1 are refused; a closed port gives 502.
TEST_F(StandInProxyTest, AsksForCredentialsAndReachesOnlyOpenLoopbackPorts) {
    EXPECT_EQ(BasicCredentials("Aladdin", "open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
    server_.SetAnswer("/call", Body("N0CALL"));
    proxy_.RequireCredentials("proxyuser", "proxypass");

    const Fetched refused =
        FetchOnce(server_.Port(), "/call", INTERNET_OPEN_TYPE_PROXY, proxy_.Address());
    ASSERT_TRUE(refused.sent) << refused.error;
    EXPECT_EQ(refused.status, 407u);
    EXPECT_EQ(refused.proxyAuthenticate, "Basic realm=\"stand-in proxy\"");
    EXPECT_TRUE(server_.Requests().empty());

    int error = -1;
    const std::string withCredentials = "GET " + ServiceUrl("/call") +
                                        " HTTP/1.1\r\nHost: x\r\nProxy-Authorization: Basic " +
                                        BasicCredentials("proxyuser", "proxypass") + "\r\n\r\n";
    const std::string passed =
        ExchangeOnLoopback(proxy_.Port(), withCredentials, kTimeoutMs, &error);
    EXPECT_EQ(passed.substr(0, 15), "HTTP/1.0 200 OK") << Visible(passed);
    ASSERT_EQ(server_.Requests().size(), 1u);
    EXPECT_EQ(server_.Requests()[0].Header("Proxy-Authorization"), "");

    proxy_.RequireCredentials("", "");
    const std::string elsewhere = ExchangeOnLoopback(
        proxy_.Port(), "GET http://192.0.2.1/ HTTP/1.1\r\nHost: x\r\n\r\n", kTimeoutMs, &error);
    EXPECT_EQ(elsewhere.substr(0, 22), "HTTP/1.1 403 Forbidden") << Visible(elsewhere);
    const std::string closedPort = "127.0.0.1:" + std::to_string(StandInServer::ClosedPort());
    const std::string nobody = ExchangeOnLoopback(
        proxy_.Port(), "CONNECT " + closedPort + " HTTP/1.1\r\n\r\n", kTimeoutMs, &error);
    EXPECT_EQ(nobody.substr(0, 24), "HTTP/1.1 502 Bad Gateway") << Visible(nobody);
    EXPECT_EQ(server_.Requests().size(), 1u);
    EXPECT_EQ(proxy_.Requests().size(), 4u);
}

}  // namespace
}  // namespace e2e
