#include "settings/account_menu_win.h"

#include <windows.h>

#include "host/hook_win.h"
#include "host/lifetime_win.h"
#include "lookup/web_lookup_win.h"
#include "settings/account_change.h"
#include "settings/credentials_win.h"
#include "settings/scramble.h"
#include "settings/settings_alerts_win.h"
#include "settings/settings_win.h"

namespace mWebLookup {

void ChangeAccount() {
    if (mHook::LookupBusy || lifetime::RunActive()) {
        return;
    }
    // Holds the host's commands off, as a run does, until the boxes are closed.
    lifetime::RunScope boxesOpen;

    const std::string storedName = ReadSetting(kUserNameKey);
    const std::string storedPassword = ReadClearPassword();

    const std::string name = AskForUserName(storedName);
    if (name.empty()) {
        return;  // Cancel, or OK with an empty name
    }
    const InputBoxAnswer password = AskForStorablePassword("", storedPassword);
    if (!password.ok) {
        return;
    }
    const account::Writes writes =
        account::DecideWrites(storedName, storedPassword, name, password.text);
    if (writes.userName || writes.password) {
        CreateDefaultSettingsFile();  // a file deleted meanwhile comes back whole
    }
    bool stored = true;
    if (writes.userName) {
        stored = WriteSetting(kUserNameKey, writes.newUserName);
    }
    if (writes.password) {
        stored = WriteSetting(kPasswordKey, EncodeText(writes.newPassword)) && stored;
    }
    if (!stored) {
        ReportSettingsFileNotWritten();
    }
}

}  // namespace mWebLookup
