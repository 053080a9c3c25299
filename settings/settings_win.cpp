#include "settings/settings_win.h"

#include <windows.h>

#include "common/file_retry_win.h"
#include "common/whole_file_win.h"
#include "product/messages.h"
#include "settings/settings_read_win.h"

namespace settings {
namespace {

// Section "Settings" with both keys unset, each line ended by CR LF.
std::string DefaultSettings() {
    return std::string("[") + kSettingsSection + "]\r\n" + kUserNameKey + "=" + kNotSet + "\r\n" +
           kPasswordKey + "=" + kNotSet + "\r\n";
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

// Tells `note` of a write that had to be tried again.
void NoteRetries(const HeldWriteNote& note, const common::RetriedStep& step) {
    if (note && step.tries > 1) {
        note(step.tries, step.error);
    }
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
    return common::PathIn(ProgramFolder(), product::messages::kSettingsFileName);
}

bool CreateDefaultSettingsFile(common::RetryBudget& retries, const HeldWriteNote& note) {
    const std::string path = SettingsFilePath();
    if (NormalFileExists(path)) {
        return true;
    }
    // CREATE_NEW: an existing (hidden or system) file is never overwritten. A file created but
    // not written whole (a full disk) would read as empty for good, the account never asked
    // for: it goes, so that the user is told and the next look-up tries again.
    const common::RetriedStep step = common::RetryFileStep(retries, false, [&] {
        bool created = false;
        const DWORD error =
            common::WriteWholeFile(path, DefaultSettings(), CREATE_NEW, false, &created);
        if (error != ERROR_SUCCESS && created) {
            DeleteFileA(path.c_str());
        }
        return error;
    });
    NoteRetries(note, step);
    return AnyFileExists(path);
}

std::string ReadIniValue(const std::string& path, const std::string& section,
                         const std::string& key) {
    return ReadProfileString(path, section.c_str(), key.c_str(), kValueBufferSize);
}

bool WriteIniValue(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) !=
           FALSE;
}

std::string ReadSetting(const std::string& key) {
    return ReadIniValue(SettingsFilePath(), kSettingsSection, key);
}

bool WriteSetting(const std::string& key, const std::string& value, common::RetryBudget& retries,
                  const HeldWriteNote& note) {
    const std::string path = SettingsFilePath();
    // The file is rewritten whole; a denial is a read-only file or folder.
    const common::RetriedStep step = common::RetryFileStep(retries, false, [&] {
        return WriteIniValue(path, kSettingsSection, key, value)
                   ? ERROR_SUCCESS
                   : common::LastErrorOr(ERROR_WRITE_FAULT);
    });
    NoteRetries(note, step);
    return step.error == ERROR_SUCCESS;
}

Options ReadOptions(SettingsMemory& memory) {
    return ParseOptions(ReadOptionTexts(SettingsFilePath(), memory));
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
