// Appends lines to the diagnostics log beside the settings file, when the user switched it on.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "diag/diag_log.h"

namespace diag {

// The log as one run sees it: the switch and the folder are read once, before the run's first
// request, and the run hands this object to every step that may add a line.
class DiagLog {
  public:
    DiagLog() = default;  // off
    // `folder`: where the log lies (the settings file's folder), without a trailing backslash.
    DiagLog(bool on, std::string folder) : on_(on), folder_(std::move(folder)) {}

    bool On() const { return on_; }

    // Stamps the entry with the present local time (and the error's text, when it has none)
    // and appends its line; nothing when the log is off. A log that cannot be written is left
    // as it is and never reported.
    void Append(LogEntry entry) const;

  private:
    bool on_ = false;
    std::string folder_;
};

}  // namespace diag
