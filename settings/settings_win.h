// The settings file beside the program: its creation with default content and the key reads
// and writes, all through the system's private-profile functions.
#pragma once

#include <string>

namespace mWebLookup {

// Folder of the program file, without a trailing backslash.
std::string ProgramFolder();
// Full path of the settings file, composed anew at every call.
std::string SettingsFilePath();

// Writes the default file when no normal file of that name exists; never reports a failure.
void CreateDefaultSettingsFile();

std::string ReadIniValue(const std::string& path, const std::string& section,
                         const std::string& key);
void WriteIniValue(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value);
std::string ReadSetting(const std::string& key);
void WriteSetting(const std::string& key, const std::string& value);

// The optional switches of section "Lookup", as written (empty when missing).
std::string ReadBaseCallFallbackSetting();
std::string ReadLogSetting();

// Base URL of a service from the optional key in section "Service", or the built-in default.
std::string ServiceBaseUrl(const std::string& key, const std::string& builtInDefault);

// The account prompt sequence (runs modal boxes on the calling thread).
void PromptForAccount();

}  // namespace mWebLookup
