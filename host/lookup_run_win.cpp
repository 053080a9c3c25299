#include "host/lookup_run_win.h"

#include <windows.h>

#include "about/update_check_win.h"
#include "common/lifetime_win.h"
#include "common/messages.h"
#include "lookup/base_call.h"
#include "lookup/diag_log_win.h"
#include "lookup/reply_file_win.h"
#include "lookup/service_address_win.h"
#include "lookup/service_query_win.h"
#include "settings/credentials_win.h"
#include "settings/settings_alerts_win.h"
#include "settings/settings_win.h"

namespace host {
namespace {

// What the preparation of a run leaves for the request.
struct Prepared {
    settings::Account account;
    // The settings file could not be created: the account-error box, which asks the user to
    // delete it, is not shown in this run.
    bool settingsFileMissing = false;
    bool baseCallFallback = true;
    int keepDays = 0;  // days answers are kept for when the service is away; 0: off
    net::ProxyChoice proxy;
    lookup::DiagLog log{false};
};

// The decimal separator of the user's regional settings.
std::string UserDecimalSeparator() {
    char buffer[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer) <= 1) {
        return ".";
    }
    return buffer;
}

// Fills `run` step by step, so that a step that fails leaves what the earlier ones found.
void Prepare(MainWindow& window, Prepared& run) {
    window.EnsureLoaded();
    run.settingsFileMissing = !settings::CreateDefaultSettingsFile();
    if (run.settingsFileMissing) {
        settings::ReportSettingsFileNotCreated();
    }
    run.baseCallFallback = lookup::BaseCallFallbackEnabled(settings::ReadBaseCallFallbackSetting());
    run.keepDays = lookup::KeepAnswersDaysFromSettings();
    run.proxy = lookup::ProxyFromSettings();
    run.log = lookup::DiagLog::FromSettings();
    run.account = settings::ReadAccount();
    if (run.account.userName == settings::kNotSet) {
        window.EnsureLoaded();
        run.account = settings::AskForAccount(run.account);
    }
    if (run.account.userName != settings::kNotSet) {
        window.EnsureLoaded();
        about::CheckForUpdate(run.log, [&window] {
            window.RestoreAndActivate();
            window.ShowAboutModal();
        });
        window.ArmWatchdog();
    }
}

void ShowAccountError(const Prepared& run) {
    if (run.settingsFileMissing) {
        return;
    }
    const std::string text =
        common::messages::Fill(common::messages::kAccountError,
                               {{common::messages::kSettingsPath, settings::SettingsFilePath()}});
    MessageBoxA(nullptr, text.c_str(), common::messages::kAppTitle, MB_OK | MB_ICONEXCLAMATION);
}

lookup::ServiceQuestion Question(const Prepared& run, const std::string& callsign) {
    lookup::ServiceQuestion question;
    question.callsign = callsign;
    question.account = run.account;
    question.baseCallFallback = run.baseCallFallback;
    question.decimalSeparator = UserDecimalSeparator();
    question.proxy = run.proxy;
    question.keptFolder = settings::ProgramFolder();
    question.keepDays = run.keepDays;
    return question;
}

// Asks the service and delivers the answer. False when the reply file was not written: a stale
// file must never be taken for this callsign's answer, so the logger is not told.
bool AskAndAnswer(MainWindow& window, const Prepared& run, const lookup::ServiceQuestion& question,
                  lookup::ServiceAnswer& answer) {
    answer = lookup::AskService(question, run.log);
    if (answer.accountError) {
        ShowAccountError(run);
        window.Unload();
    }
    if (answer.forExtendedWindow) {
        window.Link().SendExtended(answer.extendedMessage);
    }
    return lookup::WriteReplyFileOrReport(answer.replyText, question.callsign, run.log);
}

}  // namespace

void RunLookup(MainWindow& window, std::string callsign) {
    common::KeepAlive keepAlive;
    HostLink& link = window.Link();
    HostLink::BusyScope busy(link);

    Prepared run;
    try {
        Prepare(window, run);
    } catch (...) {
        // Out of memory while preparing: the look-up still runs and the logger is still told.
    }
    bool notify = false;
    lookup::ServiceQuestion question;
    lookup::ServiceAnswer answer;
    try {
        question = Question(run, callsign);
        notify = AskAndAnswer(window, run, question, answer);
    } catch (...) {
        // Out of memory inside the run: the logger is not told of an answer that was not
        // written.
        notify = false;
    }
    if (notify) {
        link.NotifyReplyReady();
        // Kept only once the logger has been told, so that the look-up does not wait for it.
        try {
            lookup::KeepAnswer(question, answer, run.log);
        } catch (...) {
            // Out of memory: the answer is not kept.
        }
    }
    window.DisarmWatchdog();
    link.ClearCallsign();
}

}  // namespace host
