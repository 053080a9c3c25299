// The settings file beside the program: its creation with default content and the key reads
// and writes, all through the system's private-profile functions.
#pragma once

#include <optional>
#include <string>

namespace settings {

// The keys of the account in section "Settings", and the value that stands for one not entered.
inline constexpr const char* kUserNameKey = "UserName";
inline constexpr const char* kPasswordKey = "Password";
inline constexpr const char* kNotSet = "Not Set";

// Folder of the program file, without a trailing backslash.
std::string ProgramFolder();
// Full path of the settings file, composed anew at every call.
std::string SettingsFilePath();

// Writes the default file when no normal file of that name exists. True when a file of that
// name is there afterwards (a hidden one counts); false when it could not be created, so that
// every read gives the empty string.
bool CreateDefaultSettingsFile();

std::string ReadIniValue(const std::string& path, const std::string& section,
                         const std::string& key);
// True when the value was stored.
bool WriteIniValue(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value);
std::string ReadSetting(const std::string& key);
// The stored password in clear: the placeholder "Not Set" as it stands, any other value
// unscrambled.
std::string ReadClearPassword();
bool WriteSetting(const std::string& key, const std::string& value);

// The optional keys of section "Lookup", as written (empty when missing).
std::string ReadBaseCallFallbackSetting();
std::string ReadLogSetting();
std::string ReadKeepAnswersSetting();

// The optional key "Proxy" of section "Service", as written (empty when missing); none when it
// is too long to read whole (1,023 characters or more): a cut value must never be used.
std::optional<std::string> ReadProxySetting();

// The optional key of section "Service" (a service's base URL), as written (empty when missing).
std::string ReadServiceSetting(const std::string& key);

// The service account, in clear text; a value not entered is the placeholder kNotSet.
struct Account {
    std::string userName;
    std::string password;
};

// The stored account: the user name as written, the password through ReadClearPassword.
Account ReadAccount();

}  // namespace settings
