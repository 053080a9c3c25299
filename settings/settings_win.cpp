#include "settings/settings_win.h"

#include <windows.h>

#include "common/handles_win.h"
#include "common/messages.h"
#include "settings/scramble.h"

namespace settings {
namespace {

constexpr const char* kSettingsSection = "Settings";
constexpr const char* kServiceSection = "Service";
constexpr const char* kLookupSection = "Lookup";

// Section "Settings" with both keys unset, each line ended by CR LF.
std::string DefaultSettings() {
    return std::string("[") + kSettingsSection + "]\r\n" + kUserNameKey + "=" + kNotSet + "\r\n" +
           kPasswordKey + "=" + kNotSet + "\r\n";
}

// Values come back through a buffer of 255 characters, terminator included.
constexpr DWORD kValueBufferSize = 255;
// A value that must be read whole or not at all (Proxy) has a larger one.
constexpr DWORD kLongValueBufferSize = 1024;

// A normal file: present, not a folder, not hidden, not a system file.
bool NormalFileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    return (attributes &
            (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

// Any file, hidden and system files included; not a folder.
bool AnyFileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

std::string ProgramFolder() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) {
            return std::string();
        }
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string SettingsFilePath() {
    return ProgramFolder() + "\\" + common::messages::kSettingsFileName;
}

bool CreateDefaultSettingsFile() {
    const std::string path = SettingsFilePath();
    if (NormalFileExists(path)) {
        return true;
    }
    // CREATE_NEW: an existing (hidden or system) file is never overwritten.
    common::UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
        const std::string content = DefaultSettings();
        DWORD written = 0;
        WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                  nullptr);
    }
    return AnyFileExists(path);
}

std::string ReadIniValue(const std::string& path, const std::string& section,
                         const std::string& key) {
    char buffer[kValueBufferSize] = {};
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer,
                                             kValueBufferSize, path.c_str());
    return std::string(buffer, n);
}

bool WriteIniValue(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) !=
           FALSE;
}

std::string ReadSetting(const std::string& key) {
    return ReadIniValue(SettingsFilePath(), kSettingsSection, key);
}

std::string ReadClearPassword() {
    const std::string stored = ReadSetting(kPasswordKey);
    return stored == kNotSet ? stored : DecodeText(stored);
}

bool WriteSetting(const std::string& key, const std::string& value) {
    return WriteIniValue(SettingsFilePath(), kSettingsSection, key, value);
}

std::string ReadBaseCallFallbackSetting() {
    return ReadIniValue(SettingsFilePath(), kLookupSection, "BaseCallFallback");
}

std::string ReadLogSetting() {
    return ReadIniValue(SettingsFilePath(), kLookupSection, "Log");
}

std::string ReadKeepAnswersSetting() {
    return ReadIniValue(SettingsFilePath(), kLookupSection, "KeepAnswers");
}

std::optional<std::string> ReadProxySetting() {
    char buffer[kLongValueBufferSize] = {};
    const DWORD n = GetPrivateProfileStringA(kServiceSection, "Proxy", "", buffer,
                                             kLongValueBufferSize, SettingsFilePath().c_str());
    // A value that filled the buffer may have been cut.
    if (n >= kLongValueBufferSize - 1) {
        return std::nullopt;
    }
    return std::string(buffer, n);
}

std::string ReadServiceSetting(const std::string& key) {
    return ReadIniValue(SettingsFilePath(), kServiceSection, key);
}

Account ReadAccount() {
    return Account{ReadSetting(kUserNameKey), ReadClearPassword()};
}

}  // namespace settings
