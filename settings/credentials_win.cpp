// The account prompt: asks for the service user name and password on first use and stores
// them, the password scrambled.
#include <windows.h>

#include "common/messages.h"
#include "settings/credentials_win.h"
#include "settings/input_box_win.h"
#include "settings/scramble.h"
#include "settings/settings_alerts_win.h"
#include "settings/settings_win.h"

namespace settings {
namespace {

bool SingleByteAnsiCodePage() {
    CPINFO info = {};
    return !GetCPInfo(CP_ACP, &info) || info.MaxCharSize == 1;
}

}  // namespace

InputBoxAnswer AskForStorablePassword(const std::string& defaultText, const std::string& stored) {
    for (;;) {
        InputBoxAnswer answer =
            AskForText("Please Enter your Password for Quendix:", "Enter Password", defaultText);
        const bool unchanged = answer.exactInAnsi && answer.text == stored;
        if (answer.exactInAnsi && (answer.text.empty() || unchanged)) {
            return answer;
        }
        if (answer.exactInAnsi && CanStorePassword(answer.text, SingleByteAnsiCodePage())) {
            return answer;
        }
        MessageBoxA(nullptr, common::messages::kCannotStorePassword, common::messages::kAppTitle,
                    MB_OK | MB_ICONEXCLAMATION);
    }
}

std::string AskForUserName(const std::string& defaultText) {
    for (;;) {
        const InputBoxAnswer answer =
            AskForText("Please Enter your User Name for Quendix:", "Enter UserName", defaultText);
        // Cancel leaves the answer's text empty, so that Cancel and an empty entry look alike.
        if (answer.exactInAnsi) {
            return answer.text;
        }
        MessageBoxA(nullptr, common::messages::kCannotStoreUserName, common::messages::kAppTitle,
                    MB_OK | MB_ICONEXCLAMATION);
    }
}

namespace {

// The prompt sequence, changing `account` to what was typed. False when a user name or password
// that was typed could not be stored (the run still goes on with it).
bool AskAndStoreAccount(Account& account, common::RetryBudget& retries, const HeldWriteNote& note) {
    const auto store = [&](const char* key, const std::string& value) {
        return WriteSetting(key, value, retries, note);
    };
    if (MessageBoxA(nullptr, common::messages::kAccountNotice, common::messages::kAppTitle,
                    MB_OKCANCEL | MB_DEFBUTTON1) != IDOK) {
        store(kUserNameKey, kNotSet);
        return true;
    }

    const std::string name = AskForUserName(account.userName);
    if (name.empty()) {
        store(kUserNameKey, kNotSet);
        return true;
    }
    bool stored = true;
    if (name != account.userName) {
        account.userName = name;
        stored = store(kUserNameKey, account.userName);
    }

    const InputBoxAnswer password = AskForStorablePassword(account.password, account.password);
    if (password.text.empty()) {
        store(kPasswordKey, kNotSet);
        return stored;
    }
    if (password.text != account.password) {
        account.password = password.text;
        stored = store(kPasswordKey, EncodeText(account.password)) && stored;
    }
    return stored;
}

}  // namespace

Account AskForAccount(Account current, common::RetryBudget& retries, const HeldWriteNote& note) {
    if (!AskAndStoreAccount(current, retries, note)) {
        ReportSettingsFileNotWritten();
    }
    return current;
}

}  // namespace settings
