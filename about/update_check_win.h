// The daily check for a newer published version.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "common/proxy_choice.h"
#include "diag/diag_log_win.h"

namespace about {

// The fetch of the update description ends within this time whatever the server does.
inline constexpr DWORD kUpdateFetchBudgetMs = 8000;

// What the program knows of the last check between runs: the hour of the last check it read
// from the per-user store or wrote there. While less than a day's hours have passed since, no
// check is due and the store is not read again. The program's main window holds it.
struct UpdateCheckMemory {
    std::optional<long long> lastCheckHour;  // HourIndex of the last check; none: not known
};

// Runs the check when it is due and returns when it is done: asks the update server at
// `updateBase` (the run's, as it read the settings; `schemeAdded` when "http://" was put before
// the setting's value) by the route `proxy`; the fetch goes to `log`. When the server publishes a
// newer version, a box says so and, once it is closed, `onNewerVersion` runs (the program shows its
// About window there) before the time of the check is stored.
void CheckForUpdate(const diag::DiagLog& log, const std::string& updateBase, bool schemeAdded,
                    const common::ProxyChoice& proxy, UpdateCheckMemory& memory,
                    const std::function<void()>& onNewerVersion);

}  // namespace about
