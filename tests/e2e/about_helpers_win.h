// The program's About window seen from a test: finding it, clicking its labels as the user
// would, and where its controls lie.
#pragma once

#include <windows.h>

#include <vector>

#include "tests/e2e/addon_win.h"

namespace e2e {

// The About windows of a process (by class), visible or not.
std::vector<HWND> AboutWindows(DWORD pid);
HWND WaitForAbout(const AddOn& addon, DWORD timeoutMs = 10000);

// Posts a click on one of the About window's labels, as the label reports it.
bool ClickLabel(HWND about, int id);

// A control's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);

}  // namespace e2e
