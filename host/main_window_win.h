// The main window: the program's start-up window and its only long-lived one. It exists so that
// the logger and the extended-information window have a window to talk to; it owns the
// watchdog timer, the test button and the About menu entry, and carries the methods the look-up
// run calls. The object outlives its window: using a method after the window was unloaded loads
// it again, hidden.
#pragma once

#include <windows.h>

#include "about/about_win.h"
#include "common/handles_win.h"

// Window class of the main window (tests find the window by class and process).
inline constexpr const char* kMainWindowClass = "QuendixInternetLookupMain";
inline constexpr const char* kMainCaption = "InternetCallsignLookup";
inline constexpr UINT kWatchdogMs = 45000;

class wndInternetCallsignLookup {
  public:
    // Public methods, in slot order. CheckforInIfile is true when the settings file is there
    // afterwards.
    bool CheckforInIfile();
    void Hook();
    void SetUserandPassword();
    void Unhook();
    void CheckforUpdate();

    // The first load at program start: the window is shown minimised.
    bool Show();
    // Loads the window again, hidden, when it has been unloaded.
    void EnsureLoaded();
    // The shut-down: removes the subclass and destroys the window.
    void Unload();

    HWND Handle() const { return hwnd_; }
    bool IsLoaded() const { return hwnd_ != nullptr; }

    // Timer1: arming restarts the 45-second count. Both load the window again when it was
    // unloaded, as every step of a look-up run that uses the window does.
    void ArmWatchdog();
    void DisarmWatchdog();
    // Stops the timer of a loaded window; an unloaded window stays unloaded.
    void StopWatchdogIfLoaded();

    // Restores the window from its minimised state and brings it to the front. A window that
    // was loaded again hidden stays hidden.
    void RestoreAndActivate();

    // What the About window is given of this window when it is shown: the window as it is now,
    // and a confirmed download stopping the watchdog of a loaded window (a closed main window
    // is not brought back).
    AboutOwner AboutOwnerLink();

  private:
    bool Load(bool show);
    void Form_Load();
    void Form_Unload();
    void Timer1_Timer();
    void cmdCommand1_Click();
    void mnuAbout_Click();
    void LayOut(UINT dpi);

    static LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    HWND cmdCommand1_ = nullptr;
    bool watchdogBoxOpen_ = false;  // the watchdog's box is showing; no second count meanwhile
    common::UniqueFont font_;
};

// The program's one main window object.
wndInternetCallsignLookup& MainForm();
