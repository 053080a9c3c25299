// Message boxes and dialogs of the program as a user would handle them: their texts, icons and
// buttons, pressing a button, and typing into a control. Works across processes (WM_GETTEXT
// and WM_SETTEXT sent with a time limit).
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

// Text of another process's window or control (WM_GETTEXT, bounded in time).
std::string TextOf(HWND hwnd);
// The text of a message box (its static text control).
std::string MessageBoxText(HWND dialog);
// Presses a dialog's button: posts BM_CLICK to the button, or WM_COMMAND when there is none.
bool PressButton(HWND dialog, int id);
// Waits until `hwnd` no longer exists.
bool WaitGone(HWND hwnd, DWORD timeoutMs = 5000);

// Text of a dialog's control.
std::string ControlText(HWND dialog, int id);
// Puts text into a dialog's control with WM_SETTEXT (as typing would leave it).
bool SetControlText(HWND dialog, int id, const std::string& ansi);
bool SetControlTextW(HWND dialog, int id, const std::wstring& text);

// A message box shows an icon: a visible icon control holding an icon.
bool ShowsIcon(HWND box);
// The dialog has a visible button with this id.
bool HasButton(HWND dialog, int id);

}  // namespace e2e
