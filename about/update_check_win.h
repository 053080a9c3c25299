// The daily check for a newer published version.
#pragma once

#include <functional>

#include "lookup/diag_log_win.h"

namespace about {

// Runs the check when it is due and returns when it is done; the fetch goes to `log`. When the
// update server publishes a newer version, a box says so and, once it is closed,
// `onNewerVersion` runs (the program shows its About window there) before the time of the
// check is stored.
void CheckForUpdate(const lookup::DiagLog& log, const std::function<void()>& onNewerVersion);

}  // namespace about
