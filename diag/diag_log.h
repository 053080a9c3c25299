// The diagnostics log: one line per request or reply-file failure, the password kept out, and
// the decision to begin a new file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace diag {

inline constexpr char kLogFileName[] = "QuendixLookup.log";
inline constexpr char kOldLogFileName[] = "QuendixLookup.log.old";
// A file that would grow past this size is renamed to kOldLogFileName first.
inline constexpr std::uint64_t kLogSizeLimitBytes = 1024 * 1024;

// Events.
inline constexpr char kLookupEvent[] = "lookup";
inline constexpr char kUpdateCheckEvent[] = "update check";
inline constexpr char kReplyFileEvent[] = "reply file";
// The kept-answers file, when its state was not plain (the file's outcomes below).
inline constexpr char kKeptAnswersEvent[] = "kept answers";
// A write of the settings file that had to wait for another program's hold.
inline constexpr char kSettingsFileEvent[] = "settings file";

// Outcomes.
inline constexpr char kOutcomeFound[] = "found";
inline constexpr char kOutcomeNotFound[] = "not found";
inline constexpr char kOutcomeAccountError[] = "account error";
inline constexpr char kOutcomeNoSession[] = "no session";
inline constexpr char kOutcomeBaseCallRetry[] = "base-call retry";
inline constexpr char kOutcomeWriteFailed[] = "write failed";
// A file written once another program let go of it (the line's tries say after how many).
inline constexpr char kOutcomeWritten[] = "written";
// The service was not reached, or its answer was cut off, and the answer kept from an earlier
// look-up was given instead.
inline constexpr char kOutcomeKeptAnswer[] = "kept answer";
// Something answered, but not the service: a sign-in page, an error page, JSON, an image, a line
// of text. The kept answer, when there is one, was given (the kept days field says so).
inline constexpr char kOutcomeNotAnAnswer[] = "not an answer";
// The states of the kept-answers file worth a line of their own.
inline constexpr char kOutcomeLockNotHad[] = "lock not had";
inline constexpr char kOutcomeSetAside[] = "set aside";
inline constexpr char kOutcomeNotRead[] = "not read";
inline constexpr char kOutcomeNotWritten[] = "not written";
inline constexpr char kOutcomeNewerVersion[] = "newer version left alone";

// Follows the URL when the setting that gave its address had no scheme, so "http://" was added.
inline constexpr char kSchemeAddedNote[] = " (http:// added)";

// Follows the time taken of a request of a look-up that waited only the short wait, because the
// service had been silent (lookup/service_wait.h).
inline constexpr char kShortWaitNote[] = " (short wait)";
// Follows the proxy of a request made while the Proxy setting was given but not understood (the
// system's setting was used instead).
inline constexpr char kProxyNotUnderstoodNote[] = " (Proxy setting not understood)";

struct LogEntry {
    std::string localTime;  // from IsoLocalTime
    std::string event;
    std::string callsign;      // the callsign the request carried (empty for none)
    std::string url;           // as requested; user-info and password are masked when written
    bool schemeAdded = false;  // the address was set without a scheme and taken as http://
    unsigned long status = 0;  // HTTP status, 0 when no answer came
    unsigned long error = 0;   // WinINet or system error number, 0 for none
    std::string errorText;     // its text
    std::uint64_t bytes = 0;   // body bytes received
    std::string outcome;
    std::uint64_t ms = 0;  // time taken
    std::string proxy;     // the proxy in force ("host:port" or "direct"); empty for no request
    long keptDays = -1;    // age in whole days of a kept answer given; -1 for none
    // Tries of a file step that another program's hold made repeat (common/file_retry.h);
    // 0 or 1 for none.
    unsigned tries = 0;
    // A request of a look-up that waited only the short wait: kShortWaitNote follows the time.
    bool shortWait = false;
    // The Proxy setting was given but not understood: kProxyNotUnderstoodNote follows the proxy
    // (not an empty one).
    bool proxyNotUnderstood = false;
};

// "YYYY-MM-DDTHH:MM:SS.mmm", the local time as given.
std::string IsoLocalTime(int year, int month, int day, int hour, int minute, int second,
                         int milliseconds);

// The URL with its secrets replaced by "***": the user-info before the host
// ("http://me:pw@host/" becomes "http://***@host/") and the value of every "password" query
// parameter.
std::string MaskSecrets(const std::string& url);

// One line, without its line break: the fields separated by "|", each value made safe by
// common::text::OneLineField (the rule of the reply line's values), so that no value can split
// the line or add a field.
// time|event|callsign|url|result|bytes|outcome|ms|proxy|kept days, where url is followed by
// kSchemeAddedNote when the entry says the scheme was added, result is
// "error <number> <text>" when there is an error, else "HTTP <status>" (empty for an event of
// a file: the reply file, the kept-answers file, the settings file, which have no exchange),
// outcome is followed by " after <n> tries" when a held file was tried n > 1 times, ms by
// kShortWaitNote for a request made with the short wait, proxy by kProxyNotUnderstoodNote when
// the Proxy setting was not understood, and the last field is empty unless a kept answer was
// given.
std::string FormatLogLine(const LogEntry& entry);

// True when a file of `currentSize` bytes must be renamed before `lineSize` more are added.
// An empty file is never renamed.
bool LogNeedsRollOver(std::uint64_t currentSize, std::size_t lineSize);

}  // namespace diag
