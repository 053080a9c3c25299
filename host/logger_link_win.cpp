#include "host/logger_link_win.h"

namespace host {
namespace {

constexpr WPARAM kReplyReady = 20;

}  // namespace

void LoggerLink::Connect(HWND own) {
    msgLookup_ = RegisterWindowMessageA("InternetCallsignLookup");
    msgExtended_ = RegisterWindowMessageA("Extended Lookup Information");
    extendedWnd_ = FindWindowA(nullptr, "Extended Lookup Information");
    loggerWnd_ = FindWindowA(nullptr, "Logger32");
    msgLogger_ = RegisterWindowMessageA("Logger32 1");
    if (extendedWnd_) {
        PostMessageA(extendedWnd_, msgExtended_, 0, reinterpret_cast<LPARAM>(own));
    }
}

bool LoggerLink::OnCommand(WPARAM command, LPARAM value) {
    switch (command) {
        case kCmdAppendChar:
            // One ANSI character; codes outside 0-255 are not characters and are dropped.
            if (!busy_ && static_cast<ULONG_PTR>(value) <= 255) {
                callsign_.push_back(static_cast<char>(static_cast<unsigned char>(value)));
            }
            return false;
        case kCmdLookup:
            return !busy_;
        case kCmdReplyWindow:
            replyWnd_ = reinterpret_cast<HWND>(value);
            return false;
        default:
            return false;
    }
}

void LoggerLink::SendExtended(const std::string& text) const {
    if (!extendedWnd_ || replyWnd_ == HWND_BROADCAST) {
        return;
    }
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(replyWnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_NORMAL | SMTO_ABORTIFHUNG, kSetTextTimeoutMs, &ignored);
}

void LoggerLink::NotifyReplyReady() const {
    PostMessageA(loggerWnd_, msgLogger_, kReplyReady, 0);
}

}  // namespace host
