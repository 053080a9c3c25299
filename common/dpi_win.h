// DPI of windows and of the system. The per-monitor functions exist from Windows 10 (1607) on;
// on older systems these fall back to the system DPI, so the program still starts there.
#pragma once

#include <windows.h>

namespace common {

UINT SystemDpi();
UINT WindowDpi(HWND hwnd);
// The window rectangle that gives the client rectangle `rect` at `dpi`.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, bool hasMenu, DWORD exStyle, UINT dpi);

}  // namespace common
