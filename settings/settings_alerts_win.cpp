#include "settings/settings_alerts_win.h"

#include <windows.h>

#include "common/messages.h"
#include "settings/settings_win.h"

namespace settings {
namespace {

// Shows the box naming the settings file, unless `shown` says it was shown already.
void ShowOnce(bool& shown, const char* text) {
    if (shown) {
        return;
    }
    shown = true;
    const std::string message =
        common::messages::Fill(text, {{common::messages::kSettingsPath, SettingsFilePath()}});
    MessageBoxA(nullptr, message.c_str(), common::messages::kAppTitle, MB_OK | MB_ICONEXCLAMATION);
}

bool g_notCreatedShown = false;
bool g_notWrittenShown = false;

}  // namespace

void ReportSettingsFileNotCreated() {
    ShowOnce(g_notCreatedShown, common::messages::kCouldNotCreateSettings);
}

void ReportSettingsFileNotWritten() {
    ShowOnce(g_notWrittenShown, common::messages::kCouldNotWriteSettings);
}

}  // namespace settings
