#include "lookup/service_query_win.h"

#include "common/message_pump_win.h"
#include "kept/answer_cache_win.h"
#include "lookup/answer_judge.h"
#include "lookup/base_call.h"
#include "lookup/cut_answer.h"
#include "lookup/request.h"
#include "lookup/service_wait.h"
#include "net/http_get_win.h"
#include "record/call_record.h"

namespace lookup {
namespace {

constexpr DWORD kReadBufferSize = 265;
// Reading stops here and the look-up goes on with what it has; real answers are well under a
// kilobyte.
constexpr size_t kMaxAnswerBytes = 1024 * 1024;
// Between two reads of an answer, the waiting messages are dispatched after the first read and
// then once this much time has passed since they last were.
constexpr DWORD kMessageBreakMs = 50;

// One request of a run, as the diagnostics log records it.
struct Attempt {
    diag::LogEntry log;
    DWORD spentMs = 0;  // time spent waiting on the service
    Verdict verdict = Verdict::NotReached;
    bool endCheckable = true;  // the server announced the body's length (EndCheckable)
    std::string body;          // the answer as read

    // A whole answer with a 2xx status: what it says may change the kept answers.
    bool MayChangeKept() const { return lookup::MayChangeKept(verdict, log.status); }
};

// How `request` ended, for the look-up's wait.
RequestEnd EndOf(bool opened, const net::BoundedHttpGet& request,
                 const net::RequestLimits& limits) {
    RequestEnd end;
    end.opened = opened;
    end.status = request.Status();
    end.readFailed = request.Failed();
    end.error = request.Error();
    end.spentMs = request.SpentMs();
    end.callTimeoutMs = limits.callTimeoutMs;
    return end;
}

// Asks the service about `callsign` within `budgetMs` of the look-up's wait, leaves the answer in
// `attempt.body`, judges the exchange and tells `wait` what came of it.
void RequestAnswer(const ServiceQuestion& question, const std::string& callsign, DWORD budgetMs,
                   ServiceWait& wait, Attempt& attempt) {
    const std::string url = BuildLookupUrl(question.serviceBase, question.account.userName,
                                           question.account.password, callsign);
    const ULONGLONG start = GetTickCount64();
    const net::RequestLimits limits = wait.Limits(budgetMs);
    net::BoundedHttpGet request("vb wininet", limits, question.proxy);
    const bool opened = request.Open(url, kMaxAnswerBytes);
    if (opened) {
        common::MessageBreaks breaks(kMessageBreakMs);
        char buffer[kReadBufferSize];
        DWORD got = request.Read(buffer, kReadBufferSize);
        attempt.body.assign(buffer, got);
        while (got != 0 && attempt.body.size() < kMaxAnswerBytes) {
            breaks.Take();
            const size_t room = kMaxAnswerBytes - attempt.body.size();
            got = request.Read(buffer,
                               room < kReadBufferSize ? static_cast<DWORD>(room) : kReadBufferSize);
            attempt.body.append(buffer, got);
        }
        request.Close();
    }
    attempt.log.event = diag::kLookupEvent;
    attempt.log.callsign = callsign;
    attempt.log.url = url;
    attempt.log.schemeAdded = question.serviceBaseSchemeAdded;
    attempt.log.status = request.Status();
    attempt.log.error = request.Error();
    attempt.log.errorText = net::ErrorText(request.Error());
    attempt.log.bytes = attempt.body.size();
    attempt.log.ms = GetTickCount64() - start;
    attempt.log.proxy = request.ProxyInForce();
    attempt.log.proxyNotUnderstood = question.proxy.unreadable;
    attempt.log.shortWait = wait.ShortWait();
    attempt.spentMs = request.SpentMs();
    wait.Tell(HeardFrom(EndOf(opened, request, limits)));
    Exchange exchange;
    exchange.opened = opened;
    exchange.readFailed = request.Failed();
    exchange.status = request.Status();
    exchange.contentType = request.ContentType();
    exchange.body = attempt.body;
    exchange.announcedLength = request.ContentLength();
    exchange.capped = attempt.body.size() >= kMaxAnswerBytes;
    attempt.verdict = JudgeExchange(exchange);
    attempt.endCheckable = EndCheckable(exchange);
}

const char* Outcome(const NoticeResult& notices) {
    if (notices.accountError) {
        return diag::kOutcomeAccountError;
    }
    return notices.notFound ? diag::kOutcomeNotFound : diag::kOutcomeFound;
}

// The outcome of an attempt that brought no answer of the service, when nothing stood in.
const char* NoAnswerOutcome(const Attempt& attempt) {
    return attempt.verdict == Verdict::NotAnAnswer ? diag::kOutcomeNotAnAnswer
                                                   : diag::kOutcomeNoSession;
}

void LogAttempt(const diag::DiagLog& log, Attempt& attempt, const char* outcome) {
    attempt.log.outcome = outcome;
    log.Append(attempt.log);
}

// A line of its own for the kept-answers file when its state was not plain.
void LogKeptState(const diag::DiagLog& log, const std::string& callsign,
                  const kept::CacheReport& report) {
    // A file held by another program: the line of the step that waited gives its tries.
    const auto line = [&](const char* outcome, DWORD error, unsigned tries = 0) {
        diag::LogEntry entry;
        entry.event = diag::kKeptAnswersEvent;
        entry.callsign = callsign;
        entry.outcome = outcome;
        entry.error = error;
        entry.tries = tries;
        log.Append(entry);
    };
    if (report.setAside) {
        line(diag::kOutcomeSetAside, ERROR_SUCCESS, report.setAsideTries);
    }
    switch (report.outcome) {
        case kept::CacheOutcome::Ok:
            if (report.writeTries > 1) {
                line(diag::kOutcomeWritten, ERROR_SUCCESS, report.writeTries);
            }
            break;
        case kept::CacheOutcome::Off:
            break;
        case kept::CacheOutcome::LockTimedOut:
        case kept::CacheOutcome::LockFailed:
            line(diag::kOutcomeLockNotHad, report.error);
            break;
        case kept::CacheOutcome::ReadFailed:
            // (an unreadable file that could not be set aside)
            line(diag::kOutcomeNotRead, report.error, report.setAsideTries);
            break;
        case kept::CacheOutcome::WriteFailed:
            line(diag::kOutcomeNotWritten, report.error, report.writeTries);
            break;
        case kept::CacheOutcome::NewerVersion:
            line(diag::kOutcomeNewerVersion, ERROR_SUCCESS);
            break;
    }
}

// The kept file's options of the run: held files are waited for from the run's budget.
kept::CacheFileOptions KeptFileOptions(const ServiceQuestion& question) {
    kept::CacheFileOptions options;
    options.retries = question.retries;
    return options;
}

// The key of the callsign as the logger asked for it, in its reply-line form.
std::string KeptKey(const ServiceQuestion& question) {
    return record::CleanField(question.callsign);
}

// The answer kept for the callsign, looked up when keeping is on.
kept::KeptLookup LookUpKept(const ServiceQuestion& question) {
    if (question.keepDays <= 0) {
        return kept::KeptLookup();
    }
    return kept::LookUpKeptAnswer(question.keptFolder, KeptKey(question), kept::UtcSecondsNow(),
                                  question.keepDays, KeptFileOptions(question));
}

// Gives the kept answer `hit` in place of what `attempt` brought, and logs the attempt so.
void GiveKept(const kept::KeptHit& hit, const diag::DiagLog& log, Attempt& attempt,
              ServiceAnswer& answer) {
    attempt.log.keptDays = static_cast<long>(hit.ageDays);
    // A page that is no answer says so; anything else is the service not reached or cut off.
    LogAttempt(log, attempt,
               attempt.verdict == Verdict::NotAnAnswer ? diag::kOutcomeNotAnAnswer
                                                       : diag::kOutcomeKeptAnswer);
    answer = ServiceAnswer();
    answer.replyText = hit.reply;
    answer.extendedMessage = hit.extended;
    answer.forExtendedWindow = true;
}

// `attempt` brought no whole answer of the service: gives the answer kept for the callsign
// instead, when keeping is on and a fresh one is there, and logs the attempt. When none is
// there, the attempt is logged with `outcomeIfNone` (not at all when that is null) and false is
// returned. The kept file's state, when not plain, gets its line after the attempt's.
bool GiveKeptAnswer(const ServiceQuestion& question, const diag::DiagLog& log, Attempt& attempt,
                    ServiceAnswer& answer, const char* outcomeIfNone) {
    const kept::KeptLookup stored = LookUpKept(question);
    if (stored.hit) {
        GiveKept(*stored.hit, log, attempt, answer);
    } else if (outcomeIfNone) {
        LogAttempt(log, attempt, outcomeIfNone);
    }
    LogKeptState(log, question.callsign, stored.report);
    return stored.hit.has_value();
}

// `attempt` found the callsign, but its end could not be checked (cut_answer.h): when it seems
// only a beginning of the answer kept for the callsign, that one is given instead and true is
// returned. Otherwise the attempt is logged as found. `message` is the extended message built
// from the attempt's answer.
bool GiveKeptForCutAnswer(const ServiceQuestion& question, const diag::DiagLog& log,
                          Attempt& attempt, const std::string& message, ServiceAnswer& answer) {
    const kept::KeptLookup stored = LookUpKept(question);
    const bool cut = stored.hit && SeemsCutShortOf(attempt.body, message, stored.hit->extended);
    if (cut) {
        GiveKept(*stored.hit, log, attempt, answer);
    } else {
        LogAttempt(log, attempt, diag::kOutcomeFound);
    }
    LogKeptState(log, question.callsign, stored.report);
    return cut;
}

// What the second request with the base call came to.
enum class BaseCallResult {
    Answered,    // the service answered it (`notices` and `found` say what)
    NotAsked,    // no base call, or no time left: the first answer's "not found" stands
    NotReached,  // the second request got no usable answer
    KeptAnswer,  // ... and the answer kept for the callsign was given instead
};

// The callbook knows only the home call: a portable or prefixed callsign that was not found is
// asked for once more with its base call, within what is left of the look-up's wait. A record
// found so is taken under the callsign as sent; an account error in the second answer takes
// the account-error path; anything else leaves the first answer's "not found". `mayChangeKept`
// stays true only when the second answer, if there is one, was whole and of a 2xx status too.
// The second request, when answered, is left in `second` for the caller to log.
BaseCallResult TryBaseCall(const ServiceQuestion& question, const diag::DiagLog& log,
                           ServiceWait& wait, Attempt& first, Attempt& second,
                           record::CallRecord& found, NoticeResult& notices, ServiceAnswer& answer,
                           bool& mayChangeKept) {
    const std::string& callsign = question.callsign;
    const std::string base = question.baseCallFallback ? BaseCall(callsign) : std::string();
    if (base.empty() || base == callsign || first.spentMs >= wait.BudgetMs()) {
        LogAttempt(log, first, diag::kOutcomeNotFound);
        return BaseCallResult::NotAsked;
    }
    LogAttempt(log, first, diag::kOutcomeBaseCallRetry);
    RequestAnswer(question, base, wait.BudgetMs() - first.spentMs, wait, second);
    if (second.verdict != Verdict::Answered) {
        if (GiveKeptAnswer(question, log, second, answer, NoAnswerOutcome(second))) {
            return BaseCallResult::KeptAnswer;
        }
        mayChangeKept = false;
        return BaseCallResult::NotReached;
    }
    mayChangeKept = mayChangeKept && second.MayChangeKept();
    const record::CallRecord baseRecord =
        record::ParseAnswer(second.body, question.decimalSeparator);
    const NoticeResult baseNotices = ClassifyNotices(baseRecord.callsign);
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

ServiceAnswer AskService(const ServiceQuestion& question, const diag::DiagLog& log,
                         ServiceWait& wait) {
    const std::string& callsign = question.callsign;
    ServiceAnswer answer;
    Attempt first;
    wait.BeginLookup(GetTickCount64());
    RequestAnswer(question, callsign, wait.BudgetMs(), wait, first);
    if (first.verdict != Verdict::Answered) {
        const bool cutOff = first.verdict == Verdict::CutOff;
        // A cut-off answer is logged once it has been read for what arrived.
        if (GiveKeptAnswer(question, log, first, answer,
                           cutOff ? nullptr : NoAnswerOutcome(first))) {
            return answer;
        }
        if (!cutOff) {
            answer.replyText = NoSessionReply(callsign);
            return answer;
        }
    }
    // A whole answer, or one cut off with nothing kept, which is read for what arrived and never
    // kept.
    bool mayChangeKept = first.MayChangeKept();
    record::CallRecord found = record::ParseAnswer(first.body, question.decimalSeparator);
    // The service's notices stand in the callsign field of the answer.
    NoticeResult notices = ClassifyNotices(found.callsign);
    // The attempt whose answer the logger gets, logged once its answer is known.
    Attempt* deciding = &first;
    Attempt second;
    if (notices.notFound) {
        const BaseCallResult base =
            TryBaseCall(question, log, wait, first, second, found, notices, answer, mayChangeKept);
        if (base == BaseCallResult::KeptAnswer) {
            return answer;
        }
        deciding = base == BaseCallResult::Answered ? &second : nullptr;
    }
    answer.replyText = record::ReplyLine(found, question.decimalSeparator);
    answer.forExtendedWindow = !notices.notFound;
    answer.accountError = notices.accountError;
    if (notices.notFound || notices.accountError) {
        answer.replyText = NotFoundReply(callsign);
    }
    answer.extendedMessage = ExtendedMessage(answer.replyText, found);
    // A found answer whose end cannot be checked may be only a beginning of the kept one.
    const bool endUnchecked = deciding && deciding->verdict == Verdict::Answered &&
                              !deciding->endCheckable && !notices.notFound &&
                              !notices.accountError && question.keepDays > 0;
    if (endUnchecked) {
        if (GiveKeptForCutAnswer(question, log, *deciding, answer.extendedMessage, answer)) {
            return answer;
        }
        answer.uncheckedBody = deciding->body;
    } else if (deciding) {
        LogAttempt(log, *deciding, Outcome(notices));
    }
    if (mayChangeKept && !notices.accountError) {
        answer.keep = notices.notFound ? ServiceAnswer::Keep::Drop : ServiceAnswer::Keep::Store;
    }
    return answer;
}

void KeepAnswer(const ServiceQuestion& question, const ServiceAnswer& answer,
                const diag::DiagLog& log) {
    if (question.keepDays <= 0 || answer.keep == ServiceAnswer::Keep::Nothing) {
        return;
    }
    const std::string key = KeptKey(question);
    kept::AnswerChange change =
        answer.keep == ServiceAnswer::Keep::Store
            ? kept::AnswerChange::Found(key, answer.replyText, answer.extendedMessage)
            : kept::AnswerChange::NotFound(key);
    if (!answer.uncheckedBody.empty()) {
        // Compared again under the file's lock, with what is kept now.
        change.yieldsTo = [&answer](const kept::KeptHit& kept) {
            return SeemsCutShortOf(answer.uncheckedBody, answer.extendedMessage, kept.extended);
        };
    }
    LogKeptState(log, question.callsign,
                 kept::StoreKeptAnswer(question.keptFolder, change, kept::UtcSecondsNow(),
                                       question.keepDays, KeptFileOptions(question)));
}

}  // namespace lookup
