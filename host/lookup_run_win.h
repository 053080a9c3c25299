// One look-up run, the program's use case: from the callsign the logger collected (or the test
// button's) to the written answer and the notification.
#pragma once

#include <string>

#include "about/update_check_win.h"
#include "common/file_retry.h"
#include "host/logger_link_win.h"
#include "host/main_window_win.h"
#include "kept/answer_cache_win.h"
#include "lookup/service_wait.h"

namespace host {

// The longest a run takes, its boxes aside and besides the time of its file calls themselves:
// the update check's fetch; the look-up's full wait for the service (the short wait after a
// silence is shorter); up to two look-ups in the kept-answers file and one store, each waiting
// for the folder's lock; the wait for files other programs hold, all files together; and the
// extended window's send. 46 s.
inline constexpr DWORD kLongestRunMs = about::kUpdateFetchBudgetMs + lookup::kFullWaitMs +
                                       3 * kept::kCacheLockWaitMs + common::kRetryBudgetMs +
                                       kSetTextTimeoutMs;
// The watchdog is armed after the update check, so it sees all but the fetch.
static_assert(kLongestRunMs - about::kUpdateFetchBudgetMs < kWatchdogMs,
              "a run whose boxes are answered must end before the watchdog");

// Prepares the run (the settings file, read once into the options the run hands down; the
// account, asking for it on first use; the daily update check; the watchdog), asks the service,
// hands the lines to the extended window, writes the reply file, tells the logger and keeps or
// drops the answer. Throughout, the logger's commands 1 and 2 and the test button are ignored
// (the link is busy); command 10, which names the reply window, takes effect at once. The
// collected callsign is emptied at the end. Message loops run nested inside (boxes, the reads of
// the answer), so the window may be closed meanwhile; what the run still needs of it loads it
// again, hidden.
void RunLookup(MainWindow& window, std::string callsign);

}  // namespace host
