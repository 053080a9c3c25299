#include "settings/account_menu_win.h"

#include <windows.h>

#include "settings/account_change.h"
#include "settings/credentials_win.h"
#include "settings/scramble.h"
#include "settings/settings_alerts_win.h"
#include "settings/settings_win.h"

namespace settings {

void ChangeAccount(common::RetryBudget& retries) {
    const std::string storedName = ReadSetting(kUserNameKey);
    const std::string storedPassword = ClearPassword(ReadSetting(kPasswordKey));

    const std::string name = AskForUserName(storedName);
    if (name.empty()) {
        return;  // Cancel, or OK with an empty name
    }
    const InputBoxAnswer password = AskForStorablePassword("", storedPassword);
    if (!password.ok) {
        return;
    }
    const AccountWrites writes =
        DecideAccountWrites(storedName, storedPassword, name, password.text);
    if (writes.userName || writes.password) {
        CreateDefaultSettingsFile(retries);  // a file deleted meanwhile comes back whole
    }
    bool stored = true;
    if (writes.userName) {
        stored = WriteSetting(kUserNameKey, writes.newUserName, retries);
    }
    if (writes.password) {
        stored = WriteSetting(kPasswordKey, EncodeText(writes.newPassword), retries) && stored;
    }
    if (!stored) {
        ReportSettingsFileNotWritten();
    }
}

}  // namespace settings
