#include "net/wininet_win.h"

#include "common/system_library_win.h"

namespace net {

const WinInetFunctions* WinInet(DWORD* error) {
    static const auto loaded = common::LoadSystemFunctions<WinInetFunctions>(
        L"wininet.dll", [](HMODULE dll, WinInetFunctions& t, DWORD& failed) {
            BIND_SYSTEM_FUNCTION(dll, t, InternetOpenA, failed);
            BIND_SYSTEM_FUNCTION(dll, t, InternetConnectA, failed);
            BIND_SYSTEM_FUNCTION(dll, t, InternetSetOptionA, failed);
            BIND_SYSTEM_FUNCTION(dll, t, InternetQueryOptionA, failed);
            BIND_SYSTEM_FUNCTION(dll, t, HttpOpenRequestA, failed);
            BIND_SYSTEM_FUNCTION(dll, t, HttpSendRequestA, failed);
            BIND_SYSTEM_FUNCTION(dll, t, HttpQueryInfoA, failed);
            BIND_SYSTEM_FUNCTION(dll, t, InternetQueryDataAvailable, failed);
            BIND_SYSTEM_FUNCTION(dll, t, InternetReadFile, failed);
            BIND_SYSTEM_FUNCTION(dll, t, InternetCloseHandle, failed);
        });
    if (error) {
        *error = loaded.error;
    }
    return loaded.Usable();
}

void CloseInternetHandle(HINTERNET h) {
    // A handle exists only if the table was usable when it was opened.
    if (const WinInetFunctions* api = WinInet()) {
        api->InternetCloseHandle(h);
    }
}

}  // namespace net
