// Waiting in the test thread. Everything that waits pumps the calling thread's messages and has
// a time limit: the program sends WM_SETTEXT synchronously to windows of this thread, so a
// thread that blocks without pumping would hold the program (and itself) up.
#pragma once

#include <windows.h>

#include <functional>

namespace e2e {

// Dispatches every message waiting for this thread (sent messages included).
void PumpMessages();
// Pumps messages until `done` is true or `timeoutMs` has passed; returns `done()`.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Pumps messages for `ms` milliseconds.
void PumpFor(DWORD ms);

}  // namespace e2e
