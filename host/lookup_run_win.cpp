#include "host/lookup_run_win.h"

#include <windows.h>

#include "about/update_check_win.h"
#include "account/credentials_win.h"
#include "account/settings_alerts_win.h"
#include "common/lifetime_win.h"
#include "diag/diag_log_win.h"
#include "lookup/reply_file_win.h"
#include "lookup/service_query_win.h"
#include "product/messages.h"
#include "settings/settings_win.h"

namespace host {
namespace {

// What the preparation of a run leaves for the request.
struct Prepared {
    // The run's wait for files that other programs hold, all its files together; of it, the
    // share the log's own file may take. Every step that writes a file draws on it.
    common::RetryBudget retries{common::kRetryBudgetMs};
    common::RetryBudget logRetries{retries, diag::kLogRetryShareMs};
    // What the run read of the settings file at its start (the account as asked for, on first
    // use); nothing reads the file again during the run.
    settings::Options options;
    // The settings file could not be created: the account-error box, which asks the user to
    // delete it, is not shown in this run.
    bool settingsFileMissing = false;
    diag::DiagLog log;
};

// The decimal separator of the user's regional settings.
std::string UserDecimalSeparator() {
    char buffer[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer) <= 1) {
        return ".";
    }
    return buffer;
}

// A line for a write of the settings file that had to wait for another program.
void LogSettingsWrite(const diag::DiagLog& log, const std::string& callsign, unsigned tries,
                      unsigned long error) {
    diag::LogEntry entry;
    entry.event = diag::kSettingsFileEvent;
    entry.callsign = callsign;
    entry.error = error;
    entry.outcome = error == ERROR_SUCCESS ? diag::kOutcomeWritten : diag::kOutcomeWriteFailed;
    entry.tries = tries;
    log.Append(entry);
}

// Fills `run` step by step, so that a step that fails leaves what the earlier ones found.
void Prepare(MainWindow& window, const std::string& callsign, Prepared& run) {
    window.EnsureLoaded();
    // The file is created before the log's switch is read from it: a creation that had to wait
    // is logged once the log is known.
    unsigned createTries = 0;
    unsigned long createError = ERROR_SUCCESS;
    run.settingsFileMissing =
        !settings::CreateDefaultSettingsFile(run.retries, [&](unsigned tries, unsigned long error) {
            createTries = tries;
            createError = error;
        });
    if (run.settingsFileMissing) {
        account::ReportSettingsFileNotCreated();
    }
    run.options = settings::ReadOptions(window.SettingsMemory());
    run.log = diag::DiagLog(run.options.log, settings::ProgramFolder(), &run.logRetries);
    if (createTries > 1) {
        LogSettingsWrite(run.log, callsign, createTries, createError);
    }
    settings::Account& account = run.options.account;
    if (account.userName == settings::kNotSet) {
        window.EnsureLoaded();
        account =
            account::AskForAccount(account, run.retries, [&](unsigned tries, unsigned long error) {
                LogSettingsWrite(run.log, callsign, tries, error);
            });
    }
    if (account.userName != settings::kNotSet) {
        window.EnsureLoaded();
        const std::string& updateBase = run.options.updateBase;
        about::CheckForUpdate(run.log, updateBase, run.options.updateSchemeAdded, run.options.proxy,
                              window.UpdateMemory(), [&window, &updateBase] {
                                  window.RestoreAndActivate();
                                  window.ShowAboutModal(updateBase);
                              });
        window.ArmWatchdog();
    }
}

void ShowAccountError(const Prepared& run) {
    if (run.settingsFileMissing) {
        return;
    }
    const std::string text =
        product::messages::Fill(product::messages::kAccountError,
                                {{product::messages::kSettingsPath, settings::SettingsFilePath()}});
    MessageBoxA(nullptr, text.c_str(), product::messages::kAppTitle, MB_OK | MB_ICONEXCLAMATION);
}

lookup::ServiceQuestion Question(Prepared& run, const std::string& callsign) {
    const settings::Options& options = run.options;
    lookup::ServiceQuestion question;
    question.callsign = callsign;
    question.serviceBase = options.lookupBase;
    question.serviceBaseSchemeAdded = options.lookupSchemeAdded;
    question.account = options.account;
    question.baseCallFallback = options.baseCallFallback;
    question.decimalSeparator = UserDecimalSeparator();
    question.proxy = options.proxy;
    question.keptFolder = settings::ProgramFolder();
    question.keepDays = options.keepDays;
    question.retries = &run.retries;
    return question;
}

// Asks the service and delivers the answer. False when the reply file was not written: a stale
// file must never be taken for this callsign's answer, so the logger is not told.
bool AskAndAnswer(MainWindow& window, Prepared& run, const lookup::ServiceQuestion& question,
                  lookup::ServiceAnswer& answer) {
    answer = lookup::AskService(question, run.log, window.ServiceWaitMemory());
    if (answer.accountError) {
        ShowAccountError(run);
        window.Unload();
    }
    if (answer.forExtendedWindow) {
        window.Link().SendExtended(answer.extendedMessage);
    }
    return lookup::WriteReplyFileOrReport(answer.replyText, question.callsign, run.log,
                                          run.retries);
}

}  // namespace

void RunLookup(MainWindow& window, std::string callsign) {
    common::KeepAlive keepAlive;
    LoggerLink& link = window.Link();
    LoggerLink::BusyScope busy(link);

    Prepared run;
    try {
        Prepare(window, callsign, run);
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
