// Loopback sockets for the stand-ins: Winsock start-up, sockets that never leak into the
// program under test, listening and connecting on 127.0.0.1, and bounded reads and writes.
#pragma once

#include <winsock2.h>
#include <windows.h>

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

// After a receive read the end of the connection: true when it was a reset rather than an
// orderly end. Under Wine a reset can read as an orderly end (Wine's poll takes the pending
// error first); a send of no bytes tells them apart, as it fails only on a reset connection.
bool EndedByReset(SOCKET s);

// A client's side of one exchange: connects to 127.0.0.1:`port`, sends `request`, and reads
// until the server ends the connection or `timeoutMs` has passed. `error` gets 0 for an orderly
// end, else the Winsock error that ended it (WSAECONNRESET for a reset, see EndedByReset;
// WSAETIMEDOUT).
std::string ExchangeOnLoopback(unsigned short port, const std::string& request, DWORD timeoutMs,
                               int* error);

// Receives what has arrived, waiting for it until `deadline` (GetTickCount64) or until `stop`
// (an event, may be null) is set: the bytes read (0 when the peer ended the connection), or -1
// for an error, the deadline or the stop. Waits on an overlapped receive, not in select(): see
// LoopbackListener.
int ReceiveSome(SOCKET s, char* buffer, int size, HANDLE stop, ULONGLONG deadline);

// Reads until `buffer` holds a blank line ("\r\n\r\n"), with ReceiveSome; at most 64 KiB.
// Bytes already in `buffer` count. True when a whole head is there.
bool ReadHead(SOCKET s, std::string* buffer, HANDLE stop, ULONGLONG deadline);

}  // namespace e2e
