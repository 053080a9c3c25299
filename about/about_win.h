// The About window: title, version and the two links ("Send Email", "Click Here"). The program
// has one About window, created on first use and loaded again after it was closed; the menu and
// the update check share it.
#pragma once

#include <windows.h>

#include <functional>

// Window class of the About window (tests find the window by class and process).
inline constexpr const char* kAboutWindowClass = "QuendixInternetLookupAbout";
inline constexpr const char* kAboutCaption = "Quendix Internet Lookup";

// What the About window needs of the program's main window, handed over at each show, so that
// the About window never reaches back into the main window itself.
struct AboutOwner {
    // The main window as it is at the show, or null; a modal show keeps it from taking input.
    HWND mainWindow = nullptr;
    // Called when the user has confirmed the download of an update.
    std::function<void()> downloadConfirmed;
};

// From the menu: shows the About window modeless and returns at once. When it is already open,
// the same window is brought to the front.
void ShowAboutModeless(const AboutOwner& owner);

// From the update check: shows the same About window (loading it when needed, or bringing the
// open one to the front) and returns only when the user has closed it. The main window takes
// no input meanwhile.
void ShowAboutModal(const AboutOwner& owner);
