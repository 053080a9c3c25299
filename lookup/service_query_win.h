// Asking the callbook service about one callsign: the request, the second request with the base
// call, and the reply text the logger is to read.
#pragma once

#include <windows.h>

#include <string>

#include "lookup/diag_log_win.h"
#include "settings/settings_win.h"

namespace lookup {

// A look-up request, from opening to the last read, ends within this time whatever the server
// does; the update check's fetch, which comes before it in the same run, within the second.
// Together they keep a whole run under 30 seconds.
inline constexpr DWORD kRequestBudgetMs = 20000;
inline constexpr DWORD kUpdateFetchBudgetMs = 8000;

// What a run asks the service.
struct ServiceQuestion {
    std::string callsign;  // as the logger sent it
    settings::Account account;
    bool baseCallFallback = true;  // ask again with the base call when the callsign is not found
    std::string decimalSeparator = ".";  // the user's: coordinates are read and written with it
};

// What the service said, in the form the logger is to get it.
struct ServiceAnswer {
    std::string replyText;     // the reply line, or the text that replaces it
    std::string extendedLine;  // the extended line of the record read
    // The extended window is given the lines: the answer held no not-found notice. (An account
    // error that says nothing of "NOT FOUND" counts too; its reply text is the not-found text.)
    bool forExtendedWindow = false;
    bool accountError = false;  // the service refused the account
};

// Asks the service about the callsign, and once more with its base call when the callsign is
// portable or prefixed and was not found; each request goes to `log`. Pending messages are
// dispatched between the reads of an answer.
ServiceAnswer AskService(const ServiceQuestion& question, const DiagLog& log);

}  // namespace lookup
