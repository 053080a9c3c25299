// Names the program and its partners agree on: registered messages, window titles, file names,
// the per-user value of the last update check, and the commands of the inbound message.
#pragma once

#include <windows.h>

namespace e2e {

inline constexpr const char* kLookupMessageName = "InternetCallsignLookup";
inline constexpr const char* kLoggerMessageName = "Logger32 1";
inline constexpr const char* kExtendedMessageName = "Extended Lookup Information";
inline constexpr const char* kLoggerTitle = "Logger32";
inline constexpr const char* kExtendedTitle = "Extended Lookup Information";
inline constexpr const char* kAppTitle = "Quendix Internet Lookup";
inline constexpr const char* kWatchdogTitle = "InternetCallsignLookup";
inline constexpr const char* kProductExe = "QuendixInternetLookup.exe";
inline constexpr const char* kSettingsName = "QuendixLookup.ini";
inline constexpr const char* kReplyFileName = "Lookup.dat";
inline constexpr const char* kLastCheckKey =
    "Software\\VB and VBA Program Settings\\QuendixInternetLookup\\Settings";
inline constexpr const char* kLastCheckValue = "wndInternetCallsignLookupLastUpdateCheck";

// Commands of the inbound message.
inline constexpr WPARAM kCmdChar = 1;
inline constexpr WPARAM kCmdLookup = 2;
inline constexpr WPARAM kCmdReplyWindow = 10;

}  // namespace e2e
