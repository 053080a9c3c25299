// The account prompt: asks for the service user name and password on first use and stores
// them, the password scrambled.
#include <windows.h>

#include "account/credentials_win.h"
#include "account/input_box_win.h"
#include "account/settings_alerts_win.h"
#include "product/messages.h"
#include "settings/scramble.h"
#include "settings/settings_win.h"

namespace account {
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
        if (answer.exactInAnsi &&
            settings::CanStorePassword(answer.text, SingleByteAnsiCodePage())) {
            return answer;
        }
        MessageBoxA(nullptr, product::messages::kCannotStorePassword, product::messages::kAppTitle,
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
        MessageBoxA(nullptr, product::messages::kCannotStoreUserName, product::messages::kAppTitle,
                    MB_OK | MB_ICONEXCLAMATION);
    }
}

namespace {

// The prompt sequence, changing `account` to what was typed. False when a user name or password
// that was typed could not be stored (the run still goes on with it).
bool AskAndStoreAccount(settings::Account& account, common::RetryBudget& retries,
                        const settings::HeldWriteNote& note) {
    const auto store = [&](const char* key, const std::string& value) {
        return settings::WriteSetting(key, value, retries, note);
    };
    if (MessageBoxA(nullptr, product::messages::kAccountNotice, product::messages::kAppTitle,
                    MB_OKCANCEL | MB_DEFBUTTON1) != IDOK) {
        store(settings::kUserNameKey, settings::kNotSet);
        return true;
    }

    const std::string name = AskForUserName(account.userName);
    if (name.empty()) {
        store(settings::kUserNameKey, settings::kNotSet);
        return true;
    }
    bool stored = true;
    if (name != account.userName) {
        account.userName = name;
        stored = store(settings::kUserNameKey, account.userName);
    }

    const InputBoxAnswer password = AskForStorablePassword(account.password, account.password);
    if (password.text.empty()) {
        store(settings::kPasswordKey, settings::kNotSet);
        return stored;
    }
    if (password.text != account.password) {
        account.password = password.text;
        stored = store(settings::kPasswordKey, settings::EncodeText(account.password)) && stored;
    }
    return stored;
}

}  // namespace

settings::Account AskForAccount(settings::Account current, common::RetryBudget& retries,
                                const settings::HeldWriteNote& note) {
    if (!AskAndStoreAccount(current, retries, note)) {
        ReportSettingsFileNotWritten();
    }
    return current;
}

}  // namespace account
