#include "account/account_menu_win.h"

#include <windows.h>

#include "account/account_change.h"
#include "account/credentials_win.h"
#include "account/settings_alerts_win.h"
#include "settings/scramble.h"
#include "settings/settings_win.h"

namespace account {

void ChangeAccount(common::RetryBudget& retries) {
    const std::string storedName = settings::ReadSetting(settings::kUserNameKey);
    const std::string storedPassword =
        settings::ClearPassword(settings::ReadSetting(settings::kPasswordKey));

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
        settings::CreateDefaultSettingsFile(retries);  // a file deleted meanwhile comes back whole
    }
    bool stored = true;
    if (writes.userName) {
        stored = settings::WriteSetting(settings::kUserNameKey, writes.newUserName, retries);
    }
    if (writes.password) {
        stored = settings::WriteSetting(settings::kPasswordKey,
                                        settings::EncodeText(writes.newPassword), retries) &&
                 stored;
    }
    if (!stored) {
        ReportSettingsFileNotWritten();
    }
}

}  // namespace account
