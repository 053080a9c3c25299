// Nested message loops of the user-interface thread, where a run lets the program's windows
// answer: between the reads of an answer (MessageBreaks), while it pauses for a held file, while
// it waits for a window to close. Where it waits for the service (the open of a request and
// each read) the thread sleeps until the request's worker hands over or the time runs out, and
// no message is dispatched meanwhile: the logger's messages wait in the queue. A WM_QUIT met in
// a nested loop is posted again and ends that loop, so that the main loop still sees it.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

namespace common {

// Dispatches every message waiting for this thread. False when it met a WM_QUIT.
bool DispatchPendingMessages();

// The breaks of a loop of short steps that do not wait for messages themselves: the messages
// waiting for this thread are dispatched at the first break, then at most once per interval. A
// look at an empty queue is a round trip to the system (under Wine it also yields the thread), so
// such a loop looks by time, not at every step.
class MessageBreaks {
  public:
    explicit MessageBreaks(DWORD intervalMs) : intervalMs_(intervalMs) {}

    // Dispatches every waiting message at the first call, and at a later one once the interval
    // since the last dispatch has passed. False when it met a WM_QUIT.
    bool Take();

  private:
    DWORD intervalMs_;
    std::optional<ULONGLONG> last_;
};

// Waits `ms` milliseconds, dispatching messages as they come. False when it met a WM_QUIT
// (it then returns at once).
bool PauseDispatchingMessages(DWORD ms);

// Waits for and dispatches messages until `done()` is true. False when it met a WM_QUIT or
// the thread's message queue failed before that.
bool RunMessagesUntil(const std::function<bool()>& done);

}  // namespace common
