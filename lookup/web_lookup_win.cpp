#include "lookup/web_lookup_win.h"

#include "common/handles_win.h"
#include "common/message_pump_win.h"
#include "common/messages.h"
#include "host/hook_win.h"
#include "host/lifetime_win.h"
#include "host/main_window_win.h"
#include "lookup/base_call.h"
#include "lookup/diag_log_win.h"
#include "lookup/http_get_win.h"
#include "lookup/reply_file_win.h"
#include "lookup/request.h"
#include "record/call_record.h"
#include "settings/settings_alerts_win.h"
#include "settings/settings_win.h"

namespace mWebLookup {

UINT MsgExtended = 0;
HWND ExtendedWnd = nullptr;
HWND HostWnd = nullptr;
UINT MsgHost = 0;
bool ExtendedPresent = false;
HWND ReplyWnd = nullptr;

std::string UserName;
std::string Password;

namespace {

constexpr DWORD kReadBufferSize = 265;
// Reading stops here and the look-up goes on with what it has; real answers are well under a
// kilobyte.
constexpr size_t kMaxAnswerBytes = 1024 * 1024;
constexpr UINT kReplyReady = 20;
// A companion window that stops answering must not hold the run for ever; one that answers
// has handled the text before the reply file is written.
constexpr UINT kSetTextTimeoutMs = 10000;

char ReadBuffer[kReadBufferSize];
DWORD BytesRead = 0;
std::string ResponseText;
bool BaseCallFallbackOn = true;  // read at every run

// One request of a run, as the diagnostics log records it.
struct Attempt {
    diaglog::Entry log;
    DWORD spentMs = 0;    // time spent waiting on the service
    bool failed = false;  // not opened, or a read failed or ran out of time
};

// The decimal separator of the user's regional settings.
std::string UserDecimalSeparator() {
    char buffer[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer) <= 1) {
        return ".";
    }
    return buffer;
}

// The settings file could not be created in this run's preparation: the account-error box,
// which asks the user to delete it, is not shown in this run.
bool SettingsFileMissing = false;

void ShowAccountError() {
    if (SettingsFileMissing) {
        return;
    }
    const std::string text = common::messages::Fill(
        common::messages::kAccountError, {{common::messages::kSettingsPath, SettingsFilePath()}});
    MessageBoxA(nullptr, text.c_str(), kAppTitle, MB_OK | MB_ICONEXCLAMATION);
}

// Asks the service about `callsign` within `budgetMs` and leaves the body in ResponseText.
// False when the request could not be opened.
bool RequestAnswer(const std::string& callsign, DWORD budgetMs, Attempt& attempt) {
    const std::string url = BuildLookupUrl(ServiceBaseUrl("LookupURL", kDefaultLookupBase),
                                           UserName, Password, callsign);
    const ULONGLONG start = GetTickCount64();
    ResponseText.clear();
    BoundedHttpGet request("vb wininet", budgetMs);
    const bool opened = request.Open(url, kMaxAnswerBytes);
    if (opened) {
        BytesRead = request.Read(ReadBuffer, kReadBufferSize);
        ResponseText.assign(ReadBuffer, BytesRead);
        while (BytesRead != 0 && ResponseText.size() < kMaxAnswerBytes) {
            common::DispatchPendingMessages();
            const size_t room = kMaxAnswerBytes - ResponseText.size();
            BytesRead = request.Read(
                ReadBuffer, room < kReadBufferSize ? static_cast<DWORD>(room) : kReadBufferSize);
            ResponseText.append(ReadBuffer, BytesRead);
        }
        request.Close();
    }
    attempt.log.event = diaglog::kLookupEvent;
    attempt.log.callsign = callsign;
    attempt.log.url = url;
    attempt.log.status = request.Status();
    attempt.log.error = request.Error();
    attempt.log.bytes = ResponseText.size();
    attempt.log.ms = GetTickCount64() - start;
    attempt.spentMs = request.SpentMs();
    attempt.failed = !opened || request.Failed();
    return opened;
}

const char* Outcome(const NoticeResult& notices) {
    if (notices.accountError) {
        return diaglog::kAccountError;
    }
    return notices.notFound ? diaglog::kNotFound : diaglog::kFound;
}

void LogAttempt(Attempt& attempt, const char* outcome) {
    attempt.log.outcome = outcome;
    diaglog::Append(attempt.log);
}

// The callbook knows only the home call: a portable or prefixed callsign that was not found is
// asked for once more with its base call, within what is left of the run's budget. A record
// found so is taken under the callsign as sent; an account error in the second answer takes
// the account-error path; anything else leaves the first answer's "not found".
void TryBaseCall(const std::string& callsign, Attempt& first, record::CallRecord& record,
                 NoticeResult& notices) {
    const std::string base = BaseCallFallbackOn ? BaseCall(callsign) : std::string();
    if (base.empty() || base == callsign || first.spentMs >= kRequestBudgetMs) {
        LogAttempt(first, diaglog::kNotFound);
        return;
    }
    LogAttempt(first, diaglog::kBaseCallRetry);
    Attempt second;
    if (!RequestAnswer(base, kRequestBudgetMs - first.spentMs, second) || second.failed) {
        LogAttempt(second, diaglog::kNoSession);
        return;
    }
    const record::CallRecord baseRecord = record::ParseAnswer(ResponseText, UserDecimalSeparator());
    const NoticeResult baseNotices = ClassifyNotices(baseRecord.callsign);
    LogAttempt(second, Outcome(baseNotices));
    if (baseNotices.accountError) {
        notices = baseNotices;
    } else if (!baseNotices.notFound) {
        record = baseRecord;
        record.callsign = callsign;  // the logger never sees its call replaced
        notices = baseNotices;
    }
}

// Asks the service, hands the extended line to the reply window and leaves the reply text in
// ResponseText.
void AskService(const std::string& callsign, record::CallRecord& record) {
    Attempt first;
    if (!RequestAnswer(callsign, kRequestBudgetMs, first)) {
        LogAttempt(first, diaglog::kNoSession);
        ResponseText = NoSessionReply(callsign);
        return;
    }

    record::ReadAnswer(ResponseText, UserDecimalSeparator(), record);
    // The service's notices stand in the callsign field of the answer.
    NoticeResult notices = ClassifyNotices(record.callsign);
    if (notices.notFound && !notices.accountError) {
        TryBaseCall(callsign, first, record, notices);
    } else {
        LogAttempt(first, Outcome(notices));
    }
    ResponseText = record::ReplyLine(record, UserDecimalSeparator());
    bool callFound = true;

    if (notices.notFound) {
        ResponseText = NotFoundReply(callsign);
        callFound = false;
    }
    if (notices.accountError) {
        ResponseText = NotFoundReply(callsign);
        ShowAccountError();
        MainForm().Unload();
    }
    // A null reply window (no command 10 yet) makes the send fail quietly; the broadcast
    // handle would rename every top-level window, so it is never used.
    if (ExtendedPresent && callFound && ReplyWnd != HWND_BROADCAST) {
        const std::string message = "CTTP|" + ResponseText + record::ExtendedLine(record);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(ReplyWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(message.c_str()),
                            SMTO_NORMAL | SMTO_ABORTIFHUNG, kSetTextTimeoutMs, &ignored);
    }
}

}  // namespace

void PrepareLookup() {
    wndInternetCallsignLookup& form = MainForm();
    SettingsFileMissing = !form.CheckforInIfile();
    if (SettingsFileMissing) {
        ReportSettingsFileNotCreated();
    }
    BaseCallFallbackOn = BaseCallFallbackEnabled(ReadBaseCallFallbackSetting());
    diaglog::ReadSwitch();
    UserName = ReadSetting(kUserNameKey);
    Password = ReadClearPassword();
    if (UserName == kNotSet) {
        form.SetUserandPassword();
    }
    if (UserName != kNotSet) {
        form.CheckforUpdate();
        form.ArmWatchdog();
    }
}

void DoLookup(std::string& callsign) {
    mHook::LookupBusy = true;
    bool notify = true;
    try {
        // The callsign may be the host buffer itself, which is emptied at the end of the run.
        const std::string call = callsign;
        record::CallRecord record;
        AskService(call, record);

        // A stale file must never be taken for this callsign's answer: no notification.
        notify = WriteReplyFileOrReport(ResponseText, call);
    } catch (...) {
        // Out of memory inside the run: the host is not told of an answer that was not written.
        notify = false;
    }
    if (notify) {
        PostMessageA(HostWnd, MsgHost, kReplyReady, 0);
    }
    MainForm().DisarmWatchdog();
    mHook::CallBuffer.clear();
    mHook::LookupBusy = false;
}

void RunLookup(std::string& callsign) {
    lifetime::RunScope run;
    try {
        PrepareLookup();
    } catch (...) {
        // Out of memory while preparing: the look-up still runs and the host is still told.
    }
    DoLookup(callsign);
}

}  // namespace mWebLookup
