// The reply file: the run's answer as one line in Lookup.dat in the current folder, replaced at
// every run.
#pragma once

#include <string>

#include "common/file_retry.h"
#include "diag/diag_log_win.h"

namespace lookup {

// Replaces the reply file with `text` followed by CR LF. A file that another program holds for
// a moment is waited for as the retry rule says, from what is left of the run's `retries`, with
// messages dispatched meanwhile. True when the file was written; otherwise the failure is logged
// for `callsign` and the "Could not write" box has been shown and closed. A write that had to
// wait is logged with its tries.
bool WriteReplyFileOrReport(const std::string& text, const std::string& callsign,
                            const diag::DiagLog& log, common::RetryBudget& retries);

}  // namespace lookup
