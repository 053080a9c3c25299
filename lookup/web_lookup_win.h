// One look-up run: from the collected callsign to the written answer and the notification.
#pragma once

#include <windows.h>

#include <string>

#include "common/messages.h"
#include "settings/settings_win.h"

namespace mWebLookup {

// Host-link state held here (set by the main window's load and by command 10).
extern UINT MsgExtended;      // registered "Extended Lookup Information"
extern HWND ExtendedWnd;      // the extended-information window found at load, or null
extern HWND HostWnd;          // the logger's window found at load, or null
extern UINT MsgHost;          // registered "Logger32 1"
extern bool ExtendedPresent;  // the extended window was found at load
extern HWND ReplyWnd;         // receives the extended line (command 10)

// The service account, in clear text, or the placeholder "Not Set".
extern std::string UserName;
extern std::string Password;

inline constexpr const char* kAppTitle = common::messages::kAppTitle;
// A look-up request, from opening to the last read, ends within this time whatever the server
// does; the update check's fetch, which comes before it in the same run, within the second.
// Together they keep a whole run under 30 seconds.
inline constexpr DWORD kRequestBudgetMs = 20000;
inline constexpr DWORD kUpdateFetchBudgetMs = 8000;

void PrepareLookup();
void DoLookup(std::string& callsign);

// A complete run: PrepareLookup, then DoLookup, with host commands held off throughout.
void RunLookup(std::string& callsign);

}  // namespace mWebLookup
