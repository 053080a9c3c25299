#include "diag/diag_log.h"

#include <cstdio>

#include "common/text.h"

namespace diag {

std::string IsoLocalTime(int year, int month, int day, int hour, int minute, int second,
                         int milliseconds) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", year, month, day,
                  hour, minute, second, milliseconds);
    return buffer;
}

namespace {

// The URL with the user-info of its authority, if any, replaced by "***".
std::string MaskUserInfo(const std::string& url) {
    const auto scheme = url.find("://");
    if (scheme == std::string::npos) {
        return url;
    }
    const auto authority = scheme + 3;
    const auto authorityEnd = url.find_first_of("/?#", authority);
    const auto at =
        url.rfind('@', authorityEnd == std::string::npos ? url.size() - 1 : authorityEnd - 1);
    if (at == std::string::npos || at < authority) {
        return url;
    }
    return url.substr(0, authority) + "***" + url.substr(at);
}

std::string MaskPasswordValues(const std::string& url) {
    static const std::string kKey = "password=";
    std::string out;
    std::string::size_type pos = 0;
    for (;;) {
        const auto found = url.find(kKey, pos);
        if (found == std::string::npos) {
            return out + url.substr(pos);
        }
        const auto valueStart = found + kKey.size();
        const bool isParameter = found > 0 && (url[found - 1] == '?' || url[found - 1] == '&');
        out += url.substr(pos, valueStart - pos);
        if (!isParameter) {
            pos = valueStart;
            continue;
        }
        auto valueEnd = url.find_first_of("&#", valueStart);
        if (valueEnd == std::string::npos) {
            valueEnd = url.size();
        }
        out += "***";
        pos = valueEnd;
    }
}

}  // namespace

std::string MaskSecrets(const std::string& url) {
    return MaskPasswordValues(MaskUserInfo(url));
}

std::string FormatLogLine(const LogEntry& entry) {
    const bool fileEvent = entry.event == kReplyFileEvent || entry.event == kKeptAnswersEvent ||
                           entry.event == kSettingsFileEvent;
    std::string result;
    if (entry.error != 0) {
        result = "error " + std::to_string(entry.error) + " " + entry.errorText;
    } else if (!fileEvent) {
        result = "HTTP " + std::to_string(entry.status);
    }
    const std::string url =
        entry.schemeAdded ? MaskSecrets(entry.url) + kSchemeAddedNote : MaskSecrets(entry.url);
    std::string outcome = entry.outcome;
    if (entry.tries > 1) {
        outcome += " after " + std::to_string(entry.tries) + " tries";
    }
    std::string proxy = entry.proxy;
    if (entry.proxyNotUnderstood && !proxy.empty()) {
        proxy += kProxyNotUnderstoodNote;
    }
    const std::string fields[] = {
        entry.localTime, entry.event,
        entry.callsign,  url,
        result,          std::to_string(entry.bytes),
        outcome,         std::to_string(entry.ms) + (entry.shortWait ? kShortWaitNote : ""),
        proxy,           entry.keptDays >= 0 ? std::to_string(entry.keptDays) : std::string(),
    };
    std::string line;
    for (const std::string& field : fields) {
        line += common::text::OneLineField(field);
        line += '|';
    }
    line.pop_back();  // the separator after the last field
    return line;
}

bool LogNeedsRollOver(std::uint64_t currentSize, std::size_t lineSize) {
    return currentSize > 0 && currentSize + lineSize > kLogSizeLimitBytes;
}

}  // namespace diag
