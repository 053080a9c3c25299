// The account prompt: asks for the service user name and password on first use and stores
// them, the password scrambled.
#include <windows.h>

#include "common/messages.h"
#include "lookup/web_lookup_win.h"
#include "settings/credentials_win.h"
#include "settings/input_box_win.h"
#include "settings/scramble.h"
#include "settings/settings_alerts_win.h"
#include "settings/settings_win.h"

namespace mWebLookup {
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
        MessageBoxA(nullptr, common::messages::kCannotStorePassword, kAppTitle,
                    MB_OK | MB_ICONEXCLAMATION);
    }
}

std::string AskForUserName(const std::string& defaultText) {
    return InputBox("Please Enter your User Name for Quendix:", "Enter UserName", defaultText);
}

namespace {

// The prompt sequence. False when a user name or password that was typed could not be stored
// (the run still goes on with it).
bool AskAndStoreAccount() {
    if (MessageBoxA(nullptr, common::messages::kAccountNotice, kAppTitle,
                    MB_OKCANCEL | MB_DEFBUTTON1) != IDOK) {
        WriteSetting(kUserNameKey, kNotSet);
        return true;
    }

    const std::string name = AskForUserName(UserName);
    if (name.empty()) {
        WriteSetting(kUserNameKey, kNotSet);
        return true;
    }
    bool stored = true;
    if (name != UserName) {
        UserName = name;
        stored = WriteSetting(kUserNameKey, UserName);
    }

    const InputBoxAnswer password = AskForStorablePassword(Password, Password);
    if (password.text.empty()) {
        WriteSetting(kPasswordKey, kNotSet);
        return stored;
    }
    if (password.text != Password) {
        Password = password.text;
        stored = WriteSetting(kPasswordKey, EncodeText(Password)) && stored;
    }
    return stored;
}

}  // namespace

void PromptForAccount() {
    if (!AskAndStoreAccount()) {
        ReportSettingsFileNotWritten();
    }
}

}  // namespace mWebLookup
