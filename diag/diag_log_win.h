// Appends lines to the diagnostics log beside the settings file, when the user switched it on.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "common/file_retry.h"
#include "diag/diag_log.h"

namespace diag {

// Of a run's wait for held files (common::kRetryBudgetMs), the log's own file takes at most
// this much, so that a log held for long leaves the wait to the files a look-up needs.
inline constexpr std::uint32_t kLogRetryShareMs = 500;

// The log as one run sees it: the switch and the folder are read once, before the run's first
// request, and the run hands this object to every step that may add a line.
class DiagLog {
  public:
    DiagLog() = default;  // off
    // `folder`: where the log lies (the settings file's folder), without a trailing backslash.
    // `retries`: the run's share for the log (kLogRetryShareMs), owned by the run and living
    // longer than this object; none: a held log file is not waited for.
    DiagLog(bool on, std::string folder, common::RetryBudget* retries = nullptr)
        : on_(on), folder_(std::move(folder)), retries_(retries) {}

    bool On() const { return on_; }

    // Stamps the entry with the present local time (and the error's text, when it has none)
    // and appends its line; nothing when the log is off. A log file held by another program is
    // waited for as the retry rule says (its rename to the older part too); a log that cannot be
    // written is left as it is and never reported.
    void Append(LogEntry entry) const;

  private:
    bool on_ = false;
    std::string folder_;
    common::RetryBudget* retries_ = nullptr;
};

}  // namespace diag
