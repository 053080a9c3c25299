#include "settings/settings_win.h"

#include <windows.h>

#include <optional>

#include "common/whole_file_win.h"
#include "common/messages.h"

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

constexpr const char* kLookupUrlKey = "LookupURL";
constexpr const char* kUpdateUrlKey = "UpdateURL";

// Values come back through a buffer of 255 characters, terminator included.
constexpr DWORD kValueBufferSize = 255;
// A value that must be read whole or not at all (Proxy) has a larger one.
constexpr DWORD kLongValueBufferSize = 1024;

// The value, or none when it may have been cut: one that fills the larger buffer.
std::optional<std::string> ReadWholeIniValue(const std::string& path, const char* section,
                                             const char* key) {
    char buffer[kLongValueBufferSize] = {};
    const DWORD n =
        GetPrivateProfileStringA(section, key, "", buffer, kLongValueBufferSize, path.c_str());
    if (n >= kLongValueBufferSize - 1) {
        return std::nullopt;
    }
    return std::string(buffer, n);
}

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
    // CREATE_NEW: an existing (hidden or system) file is never overwritten. A file created but
    // not written whole (a full disk) would read as empty for good, the account never asked
    // for: it goes, so that the user is told and the next look-up tries again.
    bool created = false;
    if (common::WriteWholeFile(path, DefaultSettings(), CREATE_NEW, false, &created) !=
            ERROR_SUCCESS &&
        created) {
        DeleteFileA(path.c_str());
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

bool WriteSetting(const std::string& key, const std::string& value) {
    return WriteIniValue(SettingsFilePath(), kSettingsSection, key, value);
}

Options ReadOptions() {
    const std::string path = SettingsFilePath();
    OptionTexts texts;
    texts.userName = ReadIniValue(path, kSettingsSection, kUserNameKey);
    texts.password = ReadIniValue(path, kSettingsSection, kPasswordKey);
    texts.lookupUrl = ReadIniValue(path, kServiceSection, kLookupUrlKey);
    texts.updateUrl = ReadIniValue(path, kServiceSection, kUpdateUrlKey);
    texts.proxy = ReadWholeIniValue(path, kServiceSection, "Proxy");
    texts.keepAnswers = ReadIniValue(path, kLookupSection, "KeepAnswers");
    texts.baseCallFallback = ReadIniValue(path, kLookupSection, "BaseCallFallback");
    texts.log = ReadIniValue(path, kLookupSection, "Log");
    return ParseOptions(texts);
}

std::string ReadUpdateBase() {
    return NormalizeBaseUrl(ReadIniValue(SettingsFilePath(), kServiceSection, kUpdateUrlKey),
                            kDefaultUpdateBase)
        .url;
}

Account ReadAccount() {
    return Account{ReadSetting(kUserNameKey), ClearPassword(ReadSetting(kPasswordKey))};
}

}  // namespace settings
