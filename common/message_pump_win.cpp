#include "common/message_pump_win.h"

namespace common {

namespace {

// Dispatches one message taken from the queue; false for a WM_QUIT, which is left for the
// main loop.
bool Dispatch(const MSG& msg) {
    if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return false;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

}  // namespace

bool DispatchPendingMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!Dispatch(msg)) {
            return false;
        }
    }
    return true;
}

bool MessageBreaks::Take() {
    const ULONGLONG now = GetTickCount64();
    if (last_ && now - *last_ < intervalMs_) {
        return true;
    }
    last_ = now;
    return DispatchPendingMessages();
}

bool PauseDispatchingMessages(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        if (!DispatchPendingMessages()) {
            return false;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            return true;
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}

bool RunMessagesUntil(const std::function<bool()>& done) {
    MSG msg;
    while (!done()) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        // A result of 0 is the WM_QUIT, which Dispatch posts again.
        if (got < 0 || !Dispatch(msg)) {
            return false;
        }
    }
    return true;
}

}  // namespace common
