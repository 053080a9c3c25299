// The About window: title, version and the two links ("Send Email", "Click Here"). The program
// has one About window, created on first use and loaded again after it was closed; the menu and
// the update check share it.
#pragma once

// Window class of the About window (tests find the window by class and process).
inline constexpr const char* kAboutWindowClass = "QuendixInternetLookupAbout";
inline constexpr const char* kAboutCaption = "Quendix Internet Lookup";

// From the menu: shows the About window modeless and returns at once. When it is already open,
// the same window is brought to the front.
void ShowAboutModeless();

// From the update check: shows the same About window (loading it when needed, or bringing the
// open one to the front) and returns only when the user has closed it. The main window takes
// no input meanwhile.
void ShowAboutModal();
