#include "host/lifetime_win.h"

#include <windows.h>

namespace lifetime {
namespace {

int g_windows = 0;
int g_runs = 0;

void QuitWhenIdle() {
    if (g_windows == 0 && g_runs == 0) {
        PostQuitMessage(0);
    }
}

}  // namespace

void WindowLoaded() {
    ++g_windows;
}

void WindowUnloaded() {
    --g_windows;
    QuitWhenIdle();
}

RunScope::RunScope() {
    ++g_runs;
}

RunScope::~RunScope() {
    --g_runs;
    QuitWhenIdle();
}

bool RunActive() {
    return g_runs > 0;
}

}  // namespace lifetime
