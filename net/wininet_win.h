// The WinINet functions the program calls, loaded with the first request rather than at
// start-up, and the owner of a WinINet handle.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "common/handles_win.h"

namespace net {

struct WinInetFunctions {
    decltype(&::InternetOpenA) InternetOpenA = nullptr;
    decltype(&::InternetConnectA) InternetConnectA = nullptr;
    decltype(&::InternetSetOptionA) InternetSetOptionA = nullptr;
    decltype(&::InternetQueryOptionA) InternetQueryOptionA = nullptr;
    decltype(&::HttpOpenRequestA) HttpOpenRequestA = nullptr;
    decltype(&::HttpSendRequestA) HttpSendRequestA = nullptr;
    decltype(&::HttpQueryInfoA) HttpQueryInfoA = nullptr;
    decltype(&::InternetQueryDataAvailable) InternetQueryDataAvailable = nullptr;
    decltype(&::InternetReadFile) InternetReadFile = nullptr;
    decltype(&::InternetCloseHandle) InternetCloseHandle = nullptr;
};

// The table, loaded once by whichever thread asks first. Null when wininet.dll or one of the
// functions cannot be had; `error` (if given) then gets the loader's error or
// ERROR_PROC_NOT_FOUND.
const WinInetFunctions* WinInet(DWORD* error = nullptr);

void CloseInternetHandle(HINTERNET h);
using UniqueInternet = common::UniqueAny<HINTERNET, CloseInternetHandle>;

}  // namespace net
