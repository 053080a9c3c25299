#include "lookup/service_query_win.h"

#include "common/message_pump_win.h"
#include "lookup/answer_cache_win.h"
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
    Reach reach = Reach::NotReached;
    std::string body;  // the answer as read
};

// Asks the service about `callsign` within `budgetMs` and leaves the answer in `attempt.body`.
// False when the request could not be opened.
bool RequestAnswer(const ServiceQuestion& question, const std::string& callsign, DWORD budgetMs,
                   Attempt& attempt) {
    const std::string url =
        BuildLookupUrl(ServiceBaseUrl("LookupURL", kDefaultLookupBase), question.account.userName,
                       question.account.password, callsign);
    const ULONGLONG start = GetTickCount64();
    BoundedHttpGet request("vb wininet", budgetMs, question.proxy);
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
    attempt.log.proxy = request.ProxyInForce();
    attempt.spentMs = request.SpentMs();
    attempt.failed = !opened || request.Failed();
    Exchange exchange;
    exchange.opened = opened;
    exchange.readFailed = request.Failed();
    exchange.status = request.Status();
    exchange.bodyBytes = attempt.body.size();
    attempt.reach = JudgeExchange(exchange);
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

// The key of the callsign as the logger asked for it, in its reply-line form.
std::string KeptKey(const ServiceQuestion& question) {
    return record::CleanField(question.callsign);
}

// The service was not reached by `attempt`: gives the answer kept for the callsign instead, when
// keeping is on and a fresh one is there. False (and nothing logged) when there is none.
bool GiveKeptAnswer(const ServiceQuestion& question, const DiagLog& log, Attempt& attempt,
                    ServiceAnswer& answer) {
    if (question.keepDays <= 0) {
        return false;
    }
    const KeptLookup kept = LookUpKeptAnswer(question.keptFolder, KeptKey(question),
                                             UtcSecondsNow(), question.keepDays);
    if (!kept.hit) {
        return false;
    }
    attempt.log.keptDays = static_cast<long>(kept.hit->ageDays);
    LogAttempt(log, attempt, kOutcomeKeptAnswer);
    answer = ServiceAnswer();
    answer.replyText = kept.hit->reply;
    answer.extendedMessage = kept.hit->extended;
    answer.forExtendedWindow = true;
    return true;
}

// What the second request with the base call came to.
enum class BaseCallResult {
    Answered,    // the service answered it (`notices` and `found` say what)
    NotAsked,    // no base call, or no time left: the first answer's "not found" stands
    NotReached,  // the second request got no usable answer
    KeptAnswer,  // ... and the answer kept for the callsign was given instead
};

// The callbook knows only the home call: a portable or prefixed callsign that was not found is
// asked for once more with its base call, within what is left of the run's budget. A record
// found so is taken under the callsign as sent; an account error in the second answer takes
// the account-error path; anything else leaves the first answer's "not found".
BaseCallResult TryBaseCall(const ServiceQuestion& question, const DiagLog& log, Attempt& first,
                           record::CallRecord& found, NoticeResult& notices,
                           ServiceAnswer& answer) {
    const std::string& callsign = question.callsign;
    const std::string base = question.baseCallFallback ? BaseCall(callsign) : std::string();
    if (base.empty() || base == callsign || first.spentMs >= kRequestBudgetMs) {
        LogAttempt(log, first, kOutcomeNotFound);
        return BaseCallResult::NotAsked;
    }
    LogAttempt(log, first, kOutcomeBaseCallRetry);
    Attempt second;
    if (!RequestAnswer(question, base, kRequestBudgetMs - first.spentMs, second) || second.failed ||
        second.reach != Reach::Answered) {
        if (GiveKeptAnswer(question, log, second, answer)) {
            return BaseCallResult::KeptAnswer;
        }
        LogAttempt(log, second, kOutcomeNoSession);
        return BaseCallResult::NotReached;
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
    return BaseCallResult::Answered;
}

}  // namespace

ServiceAnswer AskService(const ServiceQuestion& question, const DiagLog& log) {
    const std::string& callsign = question.callsign;
    ServiceAnswer answer;
    Attempt first;
    RequestAnswer(question, callsign, kRequestBudgetMs, first);
    if (first.reach != Reach::Answered && GiveKeptAnswer(question, log, first, answer)) {
        return answer;
    }
    if (first.reach == Reach::NotReached) {
        LogAttempt(log, first, kOutcomeNoSession);
        answer.replyText = NoSessionReply(callsign);
        return answer;
    }
    // An answer cut off in the body, with nothing kept, is read for what arrived.
    const bool live = first.reach == Reach::Answered;

    record::CallRecord found = record::ParseAnswer(first.body, question.decimalSeparator);
    // The service's notices stand in the callsign field of the answer.
    NoticeResult notices = ClassifyNotices(found.callsign);
    BaseCallResult baseCall = BaseCallResult::NotAsked;
    if (notices.notFound && !notices.accountError) {
        baseCall = TryBaseCall(question, log, first, found, notices, answer);
        if (baseCall == BaseCallResult::KeptAnswer) {
            return answer;
        }
    } else {
        LogAttempt(log, first, Outcome(notices));
    }
    answer.replyText = record::ReplyLine(found, question.decimalSeparator);
    answer.forExtendedWindow = !notices.notFound;
    answer.accountError = notices.accountError;
    if (notices.notFound || notices.accountError) {
        answer.replyText = NotFoundReply(callsign);
    }
    answer.extendedMessage = "CTTP|" + answer.replyText + record::ExtendedLine(found);
    if (live && !notices.accountError) {
        if (!notices.notFound) {
            answer.keep = ServiceAnswer::Keep::Store;
        } else if (baseCall != BaseCallResult::NotReached) {
            answer.keep = ServiceAnswer::Keep::Drop;
        }
    }
    return answer;
}

void KeepAnswer(const ServiceQuestion& question, const ServiceAnswer& answer) {
    if (question.keepDays <= 0 || answer.keep == ServiceAnswer::Keep::Nothing) {
        return;
    }
    const std::string key = KeptKey(question);
    const AnswerChange change =
        answer.keep == ServiceAnswer::Keep::Store
            ? AnswerChange::Found(key, answer.replyText, answer.extendedMessage)
            : AnswerChange::NotFound(key);
    StoreKeptAnswer(question.keptFolder, change, UtcSecondsNow(), question.keepDays);
}

}  // namespace lookup
