#include "lookup/service_query_win.h"

#include "common/message_pump_win.h"
#include "lookup/base_call.h"
#include "lookup/http_get_win.h"
#include "lookup/request.h"
#include "lookup/service_address_win.h"
#include "record/call_record.h"

namespace lookup {
namespace {

constexpr DWORD kReadBufferSize = 265;
// Reading stops here and the look-up goes on with what it has; real answers are well under a
// kilobyte.
constexpr size_t kMaxAnswerBytes = 1024 * 1024;

// One request of a run, as the diagnostics log records it.
struct Attempt {
    LogEntry log;
    DWORD spentMs = 0;    // time spent waiting on the service
    bool failed = false;  // not opened, or a read failed or ran out of time
    std::string body;     // the answer as read
};

// Asks the service about `callsign` within `budgetMs` and leaves the answer in `attempt.body`.
// False when the request could not be opened.
bool RequestAnswer(const ServiceQuestion& question, const std::string& callsign, DWORD budgetMs,
                   Attempt& attempt) {
    const std::string url =
        BuildLookupUrl(ServiceBaseUrl("LookupURL", kDefaultLookupBase), question.account.userName,
                       question.account.password, callsign);
    const ULONGLONG start = GetTickCount64();
    BoundedHttpGet request("vb wininet", budgetMs);
    const bool opened = request.Open(url, kMaxAnswerBytes);
    if (opened) {
        char buffer[kReadBufferSize];
        DWORD got = request.Read(buffer, kReadBufferSize);
        attempt.body.assign(buffer, got);
        while (got != 0 && attempt.body.size() < kMaxAnswerBytes) {
            common::DispatchPendingMessages();
            const size_t room = kMaxAnswerBytes - attempt.body.size();
            got = request.Read(buffer,
                               room < kReadBufferSize ? static_cast<DWORD>(room) : kReadBufferSize);
            attempt.body.append(buffer, got);
        }
        request.Close();
    }
    attempt.log.event = kLookupEvent;
    attempt.log.callsign = callsign;
    attempt.log.url = url;
    attempt.log.status = request.Status();
    attempt.log.error = request.Error();
    attempt.log.bytes = attempt.body.size();
    attempt.log.ms = GetTickCount64() - start;
    attempt.spentMs = request.SpentMs();
    attempt.failed = !opened || request.Failed();
    return opened;
}

const char* Outcome(const NoticeResult& notices) {
    if (notices.accountError) {
        return kOutcomeAccountError;
    }
    return notices.notFound ? kOutcomeNotFound : kOutcomeFound;
}

void LogAttempt(const DiagLog& log, Attempt& attempt, const char* outcome) {
    attempt.log.outcome = outcome;
    log.Append(attempt.log);
}

// The callbook knows only the home call: a portable or prefixed callsign that was not found is
// asked for once more with its base call, within what is left of the run's budget. A record
// found so is taken under the callsign as sent; an account error in the second answer takes
// the account-error path; anything else leaves the first answer's "not found".
void TryBaseCall(const ServiceQuestion& question, const DiagLog& log, Attempt& first,
                 record::CallRecord& found, NoticeResult& notices) {
    const std::string& callsign = question.callsign;
    const std::string base = question.baseCallFallback ? BaseCall(callsign) : std::string();
    if (base.empty() || base == callsign || first.spentMs >= kRequestBudgetMs) {
        LogAttempt(log, first, kOutcomeNotFound);
        return;
    }
    LogAttempt(log, first, kOutcomeBaseCallRetry);
    Attempt second;
    if (!RequestAnswer(question, base, kRequestBudgetMs - first.spentMs, second) || second.failed) {
        LogAttempt(log, second, kOutcomeNoSession);
        return;
    }
    const record::CallRecord baseRecord =
        record::ParseAnswer(second.body, question.decimalSeparator);
    const NoticeResult baseNotices = ClassifyNotices(baseRecord.callsign);
    LogAttempt(log, second, Outcome(baseNotices));
    if (baseNotices.accountError) {
        notices = baseNotices;
    } else if (!baseNotices.notFound) {
        found = baseRecord;
        found.callsign = callsign;  // the logger never sees its call replaced
        notices = baseNotices;
    }
}

}  // namespace

ServiceAnswer AskService(const ServiceQuestion& question, const DiagLog& log) {
    const std::string& callsign = question.callsign;
    ServiceAnswer answer;
    Attempt first;
    if (!RequestAnswer(question, callsign, kRequestBudgetMs, first)) {
        LogAttempt(log, first, kOutcomeNoSession);
        answer.replyText = NoSessionReply(callsign);
        return answer;
    }

    record::CallRecord found = record::ParseAnswer(first.body, question.decimalSeparator);
    // The service's notices stand in the callsign field of the answer.
    NoticeResult notices = ClassifyNotices(found.callsign);
    if (notices.notFound && !notices.accountError) {
        TryBaseCall(question, log, first, found, notices);
    } else {
        LogAttempt(log, first, Outcome(notices));
    }
    answer.replyText = record::ReplyLine(found, question.decimalSeparator);
    answer.extendedLine = record::ExtendedLine(found);
    answer.forExtendedWindow = !notices.notFound;
    answer.accountError = notices.accountError;
    if (notices.notFound || notices.accountError) {
        answer.replyText = NotFoundReply(callsign);
    }
    return answer;
}

}  // namespace lookup
