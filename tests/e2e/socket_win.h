// Loopback sockets for the stand-ins: Winsock start-up, sockets that never leak into the
// program under test, listening and connecting on 127.0.0.1, and bounded reads and writes.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <string>

namespace e2e {

// WSAStartup once per process; false when Winsock is unusable.
bool EnsureWinsock();
// A TCP socket that child processes do not inherit; INVALID_SOCKET on failure.
SOCKET NewTcpSocket();
sockaddr_in Loopback(unsigned short port);
// A socket listening on 127.0.0.1 at an ephemeral port (`port` gets it); INVALID_SOCKET on
// failure.
SOCKET ListenOnLoopback(int backlog, unsigned short* port);
// The next connection waiting on `listener`, not inheritable; INVALID_SOCKET when none.
SOCKET AcceptFrom(SOCKET listener);
// A socket connected to 127.0.0.1:`port`; INVALID_SOCKET when the connection is refused.
SOCKET ConnectToLoopback(unsigned short port);

// True when the socket is readable within `ms`.
bool Readable(SOCKET s, DWORD ms);
bool SendAll(SOCKET s, const std::string& bytes);
// Makes closesocket() end the connection with a reset (RST) rather than an orderly end: linger
// on, with no time.
void SetAbortiveClose(SOCKET s);

// Reads until `buffer` holds a blank line ("\r\n\r\n"), the peer closes, a receive fails or
// times out, or `alive` turns false; at most 64 KiB. Bytes already in `buffer` count. True when
// a whole head is there. Waits in recv() (see LoopbackListener for why not in select()).
bool ReadHead(SOCKET s, std::string* buffer, const std::function<bool()>& alive);

}  // namespace e2e
