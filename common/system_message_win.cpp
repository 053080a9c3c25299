#include "common/system_message_win.h"

#include "common/handles_win.h"

namespace common {
namespace {

void FreeLocalText(char* text) {
    LocalFree(text);
}
// Text the system allocated for the caller.
using UniqueLocalText = UniqueAny<char*, FreeLocalText>;

}  // namespace

std::string SystemMessage(DWORD error, HMODULE from) {
    DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    flags |= from ? FORMAT_MESSAGE_FROM_HMODULE : 0;
    UniqueLocalText text;
    const DWORD n =
        FormatMessageA(flags, from, error, 0, reinterpret_cast<char*>(text.put()), 0, nullptr);
    std::string message = n ? std::string(text.get(), n) : "Error " + std::to_string(error);
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n')) {
        message.pop_back();
    }
    return message;
}

}  // namespace common
