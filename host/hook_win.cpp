#include "host/hook_win.h"

#include "host/lifetime_win.h"
#include "lookup/web_lookup_win.h"

namespace mHook {

HWND OwnWnd = nullptr;
WNDPROC PrevWndProc = nullptr;
UINT MsgLookup = 0;
std::string CallBuffer;
bool LookupBusy = false;

namespace {

// Commands 1 and 2 are dropped from the start of a run's preparation to the end of the run.
bool Busy() {
    return LookupBusy || lifetime::RunActive();
}

}  // namespace

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != MsgLookup || MsgLookup == 0) {
        return CallWindowProcA(PrevWndProc, hwnd, msg, wParam, lParam);
    }
    // The command is the whole wParam.
    switch (wParam) {
        case kCmdAppendChar:
            // One ANSI character; codes outside 0-255 are not characters and are dropped.
            if (!Busy() && static_cast<ULONG_PTR>(lParam) <= 255) {
                CallBuffer.push_back(static_cast<char>(static_cast<unsigned char>(lParam)));
            }
            break;
        case kCmdLookup:
            if (!Busy()) {
                mWebLookup::RunLookup(CallBuffer);
            }
            break;
        case kCmdReplyWindow:
            mWebLookup::ReplyWnd = reinterpret_cast<HWND>(lParam);
            break;
        default:
            break;
    }
    return 0;
}

}  // namespace mHook
