#include "account/settings_alerts_win.h"

#include <windows.h>

#include "product/messages.h"
#include "settings/settings_win.h"

namespace account {
namespace {

// Shows the box naming the settings file, unless `shown` says it was shown already.
void ShowOnce(bool& shown, const char* text) {
    if (shown) {
        return;
    }
    shown = true;
    const std::string message = product::messages::Fill(
        text, {{product::messages::kSettingsPath, settings::SettingsFilePath()}});
    MessageBoxA(nullptr, message.c_str(), product::messages::kAppTitle, MB_OK | MB_ICONEXCLAMATION);
}

bool g_notCreatedShown = false;
bool g_notWrittenShown = false;

}  // namespace

void ReportSettingsFileNotCreated() {
    ShowOnce(g_notCreatedShown, product::messages::kCouldNotCreateSettings);
}

void ReportSettingsFileNotWritten() {
    ShowOnce(g_notWrittenShown, product::messages::kCouldNotWriteSettings);
}

}  // namespace account
