// The account prompt: asks for the service user name and password on first use and stores
// them, the password scrambled.
#include <windows.h>

#include "common/messages.h"
#include "lookup/web_lookup_win.h"
#include "settings/credentials_win.h"
#include "settings/input_box_win.h"
#include "settings/scramble.h"
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
        MessageBoxA(nullptr, messages::kCannotStorePassword, kAppTitle, MB_OK | MB_ICONEXCLAMATION);
    }
}

std::string AskForUserName(const std::string& defaultText) {
    return InputBox("Please Enter your User Name for Quendix:", "Enter UserName", defaultText);
}

void PromptForAccount() {
    if (MessageBoxA(nullptr, messages::kAccountNotice, kAppTitle, MB_OKCANCEL | MB_DEFBUTTON1) !=
        IDOK) {
        WriteSetting("UserName", kNotSet);
        return;
    }

    const std::string name = AskForUserName(UserName);
    if (name.empty()) {
        WriteSetting("UserName", kNotSet);
        return;
    }
    if (name != UserName) {
        UserName = name;
        WriteSetting("UserName", UserName);
    }

    const InputBoxAnswer password = AskForStorablePassword(Password, Password);
    if (password.text.empty()) {
        WriteSetting("Password", kNotSet);
        return;
    }
    if (password.text != Password) {
        Password = password.text;
        WriteSetting("Password", EncodeText(Password));
    }
}

}  // namespace mWebLookup
