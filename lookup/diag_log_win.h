// Appends lines to the diagnostics log beside the settings file, when the user switched it on.
#pragma once

#include <windows.h>

#include <string>

#include "lookup/diag_log.h"
#include "net/http_get_win.h"

namespace lookup {

// The log as one run sees it: the switch is read once, before the run's first request, and the
// run hands this object to every step that may add a line.
class DiagLog {
  public:
    explicit DiagLog(bool on) : on_(on) {}

    // The switch as the settings file has it now.
    static DiagLog FromSettings();

    bool On() const { return on_; }

    // Stamps the entry with the present local time (and the error's text, when it has none)
    // and appends its line; nothing when the log is off. A log that cannot be written is left
    // as it is and never reported.
    void Append(LogEntry entry) const;

    // The line of a reply file that could not be written (`error` from the system).
    void AppendReplyFileFailure(const std::string& callsign, DWORD error) const;

    // The line of the update check's fetch: "found" when the version file came, "not found"
    // when the server answered with another status, "no session" when no answer came.
    void AppendUpdateFetch(const std::string& url, const net::BoundedHttpGet::Report& report,
                           bool fetched) const;

  private:
    bool on_;
};

}  // namespace lookup
