// One look-up run, the program's use case: from the callsign the logger collected (or the test
// button's) to the written answer and the notification.
#pragma once

#include <string>

#include "host/main_window_win.h"

namespace host {

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
