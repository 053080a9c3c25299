// Appends lines to the diagnostics log beside the settings file, when the user switched it on.
#pragma once

#include <windows.h>

#include <string>

#include "lookup/diag_log.h"

namespace diaglog {

// Reads the switch from the settings file; a run calls this before its first request.
void ReadSwitch();
bool On();

// The text of a WinINet or system error number, without a trailing line break.
std::string ErrorText(DWORD error);

// Stamps the entry with the present local time and appends its line; nothing when the log is
// off. A log that cannot be written is left as it is and never reported.
void Append(Entry entry);

}  // namespace diaglog
