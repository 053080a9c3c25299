// Helpers for the tests of what the user sees: the account prompt's input boxes, the About
// window, message-box details, the last-check value of the update check, and a recorder that
// takes the place of the mail program and the web browser.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/harness_win.h"

namespace e2e {

// ---------------------------------------------------------------------------------------------
// Windows and controls of the program.

// Waits until `hwnd` no longer exists.
bool WaitGone(HWND hwnd, DWORD timeoutMs = 5000);

// The About windows of a process (by class), visible or not.
std::vector<HWND> AboutWindows(DWORD pid);
HWND WaitForAbout(const AddOn& addon, DWORD timeoutMs = 10000);

// Text of a dialog's control.
std::string ControlText(HWND dialog, int id);
// Puts text into a dialog's control with WM_SETTEXT (as typing would leave it).
bool SetControlText(HWND dialog, int id, const std::string& ansi);
bool SetControlTextW(HWND dialog, int id, const std::wstring& text);

// A message box shows an icon: a visible icon control holding an icon.
bool ShowsIcon(HWND box);
// The dialog has a visible button with this id.
bool HasButton(HWND dialog, int id);

// Posts a click on one of the About window's labels, as the label reports it.
bool ClickLabel(HWND about, int id);

// A label's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);

// ---------------------------------------------------------------------------------------------
// The time of the last update check (per-user value).

// Setting and reading it: SetLastCheckText and ReadLastCheckText of the harness.
bool DeleteLastCheck();
// The value read as a local date and time (the user's regional rules), as a variant date.
bool LastCheckAsDate(const std::string& text, double* date);
// The present local time as a variant date.
double NowAsDate();
// A variant date as text in the general date form of the user's regional settings.
std::string DateText(double date);

// ---------------------------------------------------------------------------------------------
// The desktop shell's handlers for http and mailto links, replaced for the life of this object
// by a command that appends the link to a file, so that a test sees what the program opened and
// no browser or mail program ever starts. The previous handlers are put back on destruction.

class ShellRecorder {
  public:
    ShellRecorder();
    ~ShellRecorder();
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;

    bool Ok() const { return ok_; }
    // The links opened so far, one per line as the shell handed them on.
    std::vector<std::string> Opened() const;
    bool WaitForOpened(size_t count, DWORD timeoutMs = 10000) const;

  private:
    struct Saved {
        std::string protocol;
        bool existed = false;
        std::string value;
    };
    TempFolder folder_;
    std::string log_;
    std::vector<Saved> saved_;
    bool ok_ = false;
};

}  // namespace e2e
