// The main window: the program's start-up window and its only long-lived one. It exists so that
// the logger and the extended-information window have a window to talk to; it owns the link
// with them, the watchdog timer, the test button, the menu and the About window. The object
// outlives its window: a look-up run that needs the window after it was closed loads it again,
// hidden. Its window procedure reaches the object through the window's user data.
#pragma once

#include <windows.h>

#include <string>

#include "about/about_win.h"
#include "about/update_check_win.h"
#include "common/handles_win.h"
#include "host/logger_link_win.h"
#include "lookup/service_wait.h"
#include "settings/settings_memory.h"

namespace host {

// Window class of the main window (tests find the window by class and process).
inline constexpr const char* kMainWindowClass = "QuendixInternetLookupMain";
inline constexpr const char* kMainCaption = "InternetCallsignLookup";
inline constexpr UINT kWatchdogMs = 45000;

class MainWindow {
  public:
    MainWindow() = default;
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // The first load at program start: the window is shown minimised.
    bool Show();
    // Loads the window again, hidden, when it has been closed.
    void EnsureLoaded();
    // The shut-down: destroys the window.
    void Unload();

    bool IsLoaded() const { return hwnd_ != nullptr; }
    LoggerLink& Link() { return link_; }
    // What the program knows of the last update check, from one run to the next.
    about::UpdateCheckMemory& UpdateMemory() { return updateMemory_; }
    // What the program keeps of the settings file, from one run to the next.
    settings::SettingsMemory& SettingsMemory() { return settingsMemory_; }
    // What the program knows of the service's silence, from one look-up to the next.
    lookup::ServiceWait& ServiceWaitMemory() { return serviceWait_; }

    // The watchdog: arming restarts the 45-second count. Both load the window again when it
    // was closed, as every step of a look-up run that uses the window does.
    void ArmWatchdog();
    void DisarmWatchdog();
    // Stops the timer of a loaded window; a closed window stays closed.
    void StopWatchdogIfLoaded();

    // Restores the window from its minimised state and brings it to the front. A window that
    // was loaded again hidden stays hidden.
    void RestoreAndActivate();

    // The About window, modal: returns when the user has closed it. Its download link goes to
    // `updateBase`, the update server of the run that shows it.
    void ShowAboutModal(const std::string& updateBase);

  private:
    bool Load(bool show);
    void OnLoad();
    void OnWatchdog();
    void OnTestButton();
    void OnAbout();
    void OnAccount();
    void OnLoggerCommand(WPARAM command, LPARAM value);
    void LayOut(UINT dpi);
    // What the About window is given of this window when it is shown: the window as it is now,
    // and a confirmed download stopping the watchdog of a loaded window (a closed main window
    // is not brought back).
    about::AboutOwner AboutOwnerLink(std::string updateBase = std::string());

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    HWND testButton_ = nullptr;
    bool watchdogBoxOpen_ = false;  // the watchdog's box is showing; no second count meanwhile
    common::UniqueFont font_;
    LoggerLink link_;
    about::AboutWindow about_;
    about::UpdateCheckMemory updateMemory_;
    settings::SettingsMemory settingsMemory_;
    lookup::ServiceWait serviceWait_;
};

}  // namespace host
