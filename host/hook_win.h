// The host link's process-wide state and the subclass procedure of the main window that
// receives the logger's commands.
#pragma once

#include <windows.h>

#include <string>

namespace mHook {

extern HWND OwnWnd;          // the main window
extern WNDPROC PrevWndProc;  // the procedure the subclass replaced
extern UINT MsgLookup;       // registered "InternetCallsignLookup"
extern std::string CallBuffer;
extern bool LookupBusy;

// Commands of the inbound message.
constexpr WPARAM kCmdAppendChar = 1;
constexpr WPARAM kCmdLookup = 2;
constexpr WPARAM kCmdReplyWindow = 10;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace mHook
