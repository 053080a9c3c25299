#include "settings/options.h"

#include "common/decimal.h"
#include "common/host_port.h"
#include "common/text.h"
#include "settings/scramble.h"

namespace settings {
namespace {

std::string_view Trimmed(std::string_view s) {
    return common::text::TrimWhere(s, [](char c) { return c == ' '; });
}

std::string DropOneTrailingSlash(std::string s) {
    if (!s.empty() && s.back() == '/') {
        s.pop_back();
    }
    return s;
}

common::ProxyChoice NotUnderstood() {
    common::ProxyChoice choice;
    choice.unreadable = true;
    return choice;
}

}  // namespace

Options ParseOptions(const OptionTexts& texts) {
    Options options;
    options.account.userName = texts.userName;
    options.account.password = ClearPassword(texts.password);
    const BaseUrl lookup = NormalizeBaseUrl(texts.lookupUrl, kDefaultLookupBase);
    options.lookupBase = lookup.url;
    options.lookupSchemeAdded = lookup.schemeAdded;
    const BaseUrl update = NormalizeBaseUrl(texts.updateUrl, kDefaultUpdateBase);
    options.updateBase = update.url;
    options.updateSchemeAdded = update.schemeAdded;
    options.proxy = ParseProxySetting(texts.proxy);
    options.keepDays = ParseKeepAnswersDays(texts.keepAnswers);
    options.baseCallFallback = BaseCallFallbackOn(texts.baseCallFallback);
    options.log = LogSwitchOn(texts.log);
    return options;
}

std::string ClearPassword(const std::string& stored) {
    return stored == kNotSet ? stored : DecodeText(stored);
}

bool HasScheme(std::string_view value) {
    const std::size_t end = value.find_first_of(":/?#");
    return end != std::string_view::npos && end > 0 && value.substr(end, 3) == "://";
}

BaseUrl NormalizeBaseUrl(const std::string& configured, const std::string& builtInDefault) {
    BaseUrl base;
    base.url = DropOneTrailingSlash(common::text::TrimSpaces(configured));
    if (base.url.empty()) {
        base.url = DropOneTrailingSlash(common::text::TrimSpaces(builtInDefault));
    }
    if (!HasScheme(base.url)) {
        base.url.insert(0, "http://");
        base.schemeAdded = true;
    }
    return base;
}

common::ProxyChoice ParseProxySetting(std::optional<std::string_view> value) {
    if (!value) {
        return NotUnderstood();
    }
    common::ProxyChoice choice;
    std::string_view v = Trimmed(*value);
    if (v.empty()) {
        return choice;
    }
    if (common::text::EqualsNoCase(v, "direct")) {
        choice.route = common::ProxyChoice::Route::Direct;
        return choice;
    }
    constexpr std::string_view kScheme = "http://";
    if (common::text::StartsWithNoCase(v, kScheme)) {
        v.remove_prefix(kScheme.size());
    }
    if (!v.empty() && v.back() == '/') {
        v.remove_suffix(1);
    }
    const std::size_t colon = v.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return NotUnderstood();
    }
    for (const char c : v.substr(0, colon)) {
        if (!common::IsHostNameByte(c)) {
            return NotUnderstood();
        }
    }
    if (!common::ParsePort(v.substr(colon + 1))) {
        return NotUnderstood();
    }
    choice.route = common::ProxyChoice::Route::Named;
    choice.server = std::string(v);
    return choice;
}

int ParseKeepAnswersDays(std::string_view value) {
    std::string digits;
    for (const char c : value) {
        if (c != ' ') {
            digits += c;
        }
    }
    const std::optional<unsigned long> days = common::ParseDecimal<unsigned long>(digits);
    if (!days || *days > static_cast<unsigned long>(kMaxKeepDays)) {
        return kDefaultKeepDays;
    }
    return static_cast<int>(*days);
}

bool BaseCallFallbackOn(std::string_view value) {
    return value != "0";
}

bool LogSwitchOn(std::string_view value) {
    return Trimmed(value) == "1";
}

}  // namespace settings
