// The system's own description of an error code, for the boxes that report one.
#pragma once

#include <windows.h>

#include <string>

namespace common {

// The message text of `error` (a system or WinINet number) without its trailing line break, or
// "Error N" when there is none.
std::string SystemMessage(DWORD error);

}  // namespace common
