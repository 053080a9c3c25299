// The settings file beside the program: its creation with default content and the key reads
// and writes, all through the system's private-profile functions.
#pragma once

#include <functional>
#include <string>

#include "common/file_retry.h"
#include "settings/options.h"
#include "settings/settings_memory.h"

namespace settings {

// The sections of the file and the keys of each.
inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kUserNameKey = "UserName";
inline constexpr const char* kPasswordKey = "Password";
inline constexpr const char* kServiceSection = "Service";
inline constexpr const char* kLookupUrlKey = "LookupURL";
inline constexpr const char* kUpdateUrlKey = "UpdateURL";
inline constexpr const char* kProxyKey = "Proxy";
inline constexpr const char* kLookupSection = "Lookup";
inline constexpr const char* kKeepAnswersKey = "KeepAnswers";
inline constexpr const char* kBaseCallFallbackKey = "BaseCallFallback";
inline constexpr const char* kLogKey = "Log";

// Folder of the program file, without a trailing backslash.
std::string ProgramFolder();
// Full path of the settings file, composed anew at every call.
std::string SettingsFilePath();

// A write of the settings file that another program's hold made try again: its tries, and the
// system's error when it failed all the same (0 when it was written). For the run's log.
using HeldWriteNote = std::function<void(unsigned tries, unsigned long error)>;

// The writes below wait for a settings file that another program holds, as the retry rule says
// (common/file_retry.h), from the caller's `retries`, and tell `note` (when given) when they had
// to.

// Writes the default file when no normal file of that name exists. True when a file of that
// name is there afterwards (a hidden one counts); false when it could not be created, so that
// every read gives the empty string.
bool CreateDefaultSettingsFile(common::RetryBudget& retries, const HeldWriteNote& note = nullptr);

std::string ReadIniValue(const std::string& path, const std::string& section,
                         const std::string& key);
// True when the value was stored.
bool WriteIniValue(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value);
std::string ReadSetting(const std::string& key);
// True when the value was stored.
bool WriteSetting(const std::string& key, const std::string& value, common::RetryBudget& retries,
                  const HeldWriteNote& note = nullptr);

// What a run takes from the settings file, every key read once, now; the texts `memory` kept
// when the file has not changed since (settings_read_win.h).
Options ReadOptions(SettingsMemory& memory);

// The update server's base URL as the settings file names it now (or the built-in one): for the
// About window's download link outside a look-up.
std::string ReadUpdateBase();

// The stored account: the user name as written, the password in clear (ClearPassword).
Account ReadAccount();

}  // namespace settings
