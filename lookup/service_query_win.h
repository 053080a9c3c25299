// Asking the callbook service about one callsign: the request, the second request with the base
// call, the answer kept from an earlier look-up when the service cannot be reached, and the
// reply text the logger is to read.
#pragma once

#include <windows.h>

#include <string>

#include "common/file_retry.h"
#include "common/proxy_choice.h"
#include "diag/diag_log_win.h"
#include "lookup/service_wait.h"
#include "settings/options.h"

namespace lookup {

// What a run asks the service, with what the run read of the settings at its start.
struct ServiceQuestion {
    std::string callsign;     // as the logger sent it
    std::string serviceBase;  // the service's base URL
    // The address was set without a scheme: the log says that "http://" was added.
    bool serviceBaseSchemeAdded = false;
    settings::Account account;
    bool baseCallFallback = true;  // ask again with the base call when the callsign is not found
    std::string decimalSeparator = ".";  // the user's: coordinates are read and written with it
    common::ProxyChoice proxy;           // the route of the requests
    // Answers kept for when the service cannot be reached: the folder of the kept-answers file
    // and the days an answer is kept (0: keeping off, the file is neither read nor written).
    std::string keptFolder;
    int keepDays = 0;
    // The run's wait for files other programs hold (the run owns it); none: not waited for.
    common::RetryBudget* retries = nullptr;
};

// What the service said, in the form the logger is to get it.
struct ServiceAnswer {
    std::string replyText;  // the reply line, or the text that replaces it
    // What the extended window is sent: "CTTP|", the reply line and the extended line.
    std::string extendedMessage;
    // The extended window is given the lines: the answer held no not-found notice. (An account
    // error that says nothing of "NOT FOUND" counts too; its reply text is the not-found text.)
    bool forExtendedWindow = false;
    bool accountError = false;  // the service refused the account
    // What the answer means for the kept-answers file, once the logger has been told.
    // Only a whole answer with a 2xx status (both answers, after a second request with the
    // base call) changes what is kept.
    enum class Keep {
        Nothing,  // no whole 2xx answer for the callsign, or an account error
        Store,    // the service found the callsign: keep the two lines
        Drop,     // the service said it does not know the callsign: drop what is kept
    };
    Keep keep = Keep::Nothing;
    // The found answer as it arrived, when its end could not be checked (a chunked body, or one
    // the close of the connection ended): it is kept only if, under the kept file's lock, it
    // does not seem a beginning of the answer kept for the callsign (cut_answer.h).
    std::string uncheckedBody;
};

// Asks the service about the callsign, and once more with its base call when the callsign is
// portable or prefixed and was not found; each request goes to `log`. Between the reads of an
// answer the waiting messages are dispatched (after the first read, then at most once per 50 ms);
// while a request waits for the service, none are.
// What came back is judged first (answer_judge.h): when the service was not reached (not
// opened, refused, timed out, closed unanswered, a server error (5xx) or a proxy's 407, nothing
// but blanks) or something else answered (a sign-in page, an error page, JSON, an image, a line
// of text), the answer kept for the callsign, when there is a fresh one, is given instead (as it
// also is for an answer cut off in the body, and for a found answer whose end cannot be checked
// that seems only a beginning of the kept one, cut_answer.h), else the no-session text. A
// cut-off answer with nothing kept is read for what arrived.
// `wait` chooses how long the look-up waits (the full wait, or the short one while the service
// is silent; service_wait.h) and is told what each request came to.
ServiceAnswer AskService(const ServiceQuestion& question, const diag::DiagLog& log,
                         ServiceWait& wait);

// Keeps or drops the answer in the kept-answers file as `answer.keep` says. Call it after the
// logger has been told, so that the look-up does not wait for the file. A file that cannot be
// written changes nothing else; its state, when not plain, goes to `log`.
void KeepAnswer(const ServiceQuestion& question, const ServiceAnswer& answer,
                const diag::DiagLog& log);

}  // namespace lookup
