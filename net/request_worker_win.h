// The threads that make the requests. Each serves one request at a time: it opens the request,
// reads the body piece by piece as the caller wants it and closes every handle it opened, on
// its own thread, whether the caller saw the request through or gave up on it. At most
// kMaxRequestWorkers of them live at once in the program, abandoned ones included.
#pragma once

#include <windows.h>

#include <memory>

#include "net/handover_win.h"

namespace net {

// Gives the request of `handover` a worker: the one waiting for a next request, or a new thread
// when fewer than kMaxRequestWorkers live (with `spareLastWorker`, when at least one more would
// still be free after it). 0, or why there is none: ERROR_BUSY when every worker it may take is
// taken, else the error of starting the thread.
DWORD StartRequestWorker(const std::shared_ptr<Handover>& handover, bool spareLastWorker);

}  // namespace net
