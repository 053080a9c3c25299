// What a look-up run takes from the settings file: read once when the run starts (through the
// system's private-profile functions, a section at a time, or not at all while the file is
// unchanged since the last run: settings_read_win.h) and handed down as plain values, so that
// nothing reads the file again during the run. Here the portable part: the built-in
// values and the rule that turns each key's text into its value.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/proxy_choice.h"

namespace settings {

// The value that stands for an account detail not entered.
inline constexpr const char* kNotSet = "Not Set";

// Built-in service addresses, used when the settings file names none.
inline constexpr char kDefaultLookupBase[] = "http://callbook.quendix.example";
inline constexpr char kDefaultUpdateBase[] = "http://updates.quendix.example";

// [Lookup] KeepAnswers: days an answer is kept for when the service cannot be reached.
inline constexpr int kDefaultKeepDays = 30;
inline constexpr int kMaxKeepDays = 3650;

// The service account, in clear text; a value not entered is the placeholder kNotSet.
struct Account {
    std::string userName;
    std::string password;
};

struct Options {
    Account account;
    std::string lookupBase = kDefaultLookupBase;  // [Service] LookupURL, made usable
    std::string updateBase = kDefaultUpdateBase;  // [Service] UpdateURL, made usable
    common::ProxyChoice proxy;                    // [Service] Proxy
    int keepDays = kDefaultKeepDays;              // [Lookup] KeepAnswers; 0: keeping is off
    bool baseCallFallback = true;                 // [Lookup] BaseCallFallback
    bool log = false;                             // [Lookup] Log
    // LookupURL, UpdateURL had no scheme: "http://" was put before the value (NormalizeBaseUrl).
    bool lookupSchemeAdded = false;
    bool updateSchemeAdded = false;
};

// The keys' texts as the profile functions give them (empty when missing).
struct OptionTexts {
    std::string userName;
    std::string password;  // as stored: scrambled, or the placeholder
    std::string lookupUrl;
    std::string updateUrl;
    std::optional<std::string> proxy;  // none: too long to read whole
    std::string keepAnswers;
    std::string baseCallFallback;
    std::string log;
};

Options ParseOptions(const OptionTexts& texts);

// The rules of the single keys.

// The stored password in clear: the placeholder as it stands, any other value unscrambled.
std::string ClearPassword(const std::string& stored);

// True when `value` begins with a scheme: one or more characters, none of them ':', '/', '?' or
// '#', followed by "://" ("http://h", "HTTPS://h", "ftp://h"). "h", "127.0.0.1:8080/x",
// "h/x?u=http://y", "//h" and "http:/h" have none.
bool HasScheme(std::string_view value);

// A service's base URL made usable, and whether "http://" was put before the value.
struct BaseUrl {
    std::string url;
    bool schemeAdded = false;
};

// A service's base URL from its key's value: spaces trimmed, one trailing '/' dropped. An empty
// value (or one that is empty after that, such as "/") gives `builtInDefault`, treated the same
// way. A value without a scheme (HasScheme) is taken as "http://" followed by it; a value with
// a scheme other than http or https is kept as it is, and no request to it can be made.
BaseUrl NormalizeBaseUrl(const std::string& configured, const std::string& builtInDefault);

// "direct" in any case, spaces around it trimmed: Direct. "host:port", with "http://" (any
// case) before it allowed and one trailing '/' after it: Named; the host is letters, digits,
// '-', '.' and '_', the port 1-65535. Missing or empty: System. Anything else, or a value too
// long to read whole (none): System, marked unreadable.
common::ProxyChoice ParseProxySetting(std::optional<std::string_view> value);

// Every ASCII space is removed first, wherever it stands (" 1 2 " reads as 12). What is left
// must be one or more ASCII digits worth 0..3650 (leading zeros allowed: "007" is 7); anything
// else, an empty value among them ("", "-1", "+5", "1e3", "3651", "abc"), gives
// kDefaultKeepDays. 0 means keeping is off.
int ParseKeepAnswersDays(std::string_view value);

// The second request with the base call: off only for "0".
bool BaseCallFallbackOn(std::string_view value);

// The diagnostics log: on only for "1", spaces around it trimmed.
bool LogSwitchOn(std::string_view value);

}  // namespace settings
