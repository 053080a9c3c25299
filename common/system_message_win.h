// The system's own description of an error code, for the boxes and the log lines that report one.
#pragma once

#include <windows.h>

#include <string>

namespace common {

// The message text of `error` without its trailing line break, or "Error N" when there is none.
// The text comes from the module `from` when one is given (a DLL that describes its own
// numbers), else from the system.
std::string SystemMessage(DWORD error, HMODULE from = nullptr);

}  // namespace common
