#include "common/system_message_win.h"

#include <wininet.h>

namespace common {

std::string SystemMessage(DWORD error) {
    // WinINet's own numbers are described by its module, the others by the system.
    DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    HMODULE wininet = nullptr;
    if (error >= INTERNET_ERROR_BASE && error <= INTERNET_ERROR_LAST) {
        wininet = GetModuleHandleA("wininet.dll");
        flags |= wininet ? FORMAT_MESSAGE_FROM_HMODULE : 0;
    }
    char* text = nullptr;
    const DWORD n =
        FormatMessageA(flags, wininet, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = n ? std::string(text, n) : "Error " + std::to_string(error);
    if (text) {
        LocalFree(text);
    }
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n')) {
        message.pop_back();
    }
    return message;
}

}  // namespace common
