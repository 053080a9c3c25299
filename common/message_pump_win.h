// Nested message loops of the user-interface thread: a run that waits (for the service, for a
// held file, for a window to close) keeps the program's windows answering. A WM_QUIT met in a
// nested loop is posted again and ends that loop, so that the main loop still sees it.
#pragma once

#include <windows.h>

#include <functional>

namespace common {

// Dispatches every message waiting for this thread. False when it met a WM_QUIT.
bool DispatchPendingMessages();

// Waits `ms` milliseconds, dispatching messages as they come. False when it met a WM_QUIT
// (it then returns at once).
bool PauseDispatchingMessages(DWORD ms);

// Waits for and dispatches messages until `done()` is true. False when it met a WM_QUIT or
// the thread's message queue failed before that.
bool RunMessagesUntil(const std::function<bool()>& done);

}  // namespace common
