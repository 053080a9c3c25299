#include "common/lifetime_win.h"

#include <windows.h>

namespace common {
namespace {

// The process's count of what keeps it alive. Only the user-interface thread touches it.
int g_windows = 0;
int g_holds = 0;

void QuitWhenIdle() {
    if (g_windows == 0 && g_holds == 0) {
        PostQuitMessage(0);
    }
}

}  // namespace

void WindowOpened() {
    ++g_windows;
}

void WindowClosed() {
    --g_windows;
    QuitWhenIdle();
}

KeepAlive::KeepAlive() {
    ++g_holds;
}

KeepAlive::~KeepAlive() {
    --g_holds;
    QuitWhenIdle();
}

}  // namespace common
