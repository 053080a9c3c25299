#include "lookup/diag_log_win.h"

#include "common/handles_win.h"
#include "common/system_message_win.h"
#include "settings/settings_win.h"

namespace lookup {
namespace {

std::string LogPath(const char* name) {
    return settings::ProgramFolder() + "\\" + name;
}

std::string LocalTimeNow() {
    SYSTEMTIME t = {};
    GetLocalTime(&t);
    return IsoLocalTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

// The file's size, or 0 when it cannot be read (a missing file among them).
std::uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void AppendLine(const std::string& line) {
    const std::string path = LogPath(kLogFileName);
    const std::string content = line + "\r\n";
    if (LogNeedsRollOver(FileSize(path), content.size())) {
        MoveFileExA(path.c_str(), LogPath(kOldLogFileName).c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    common::UniqueFile file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return;
    }
    DWORD written = 0;
    WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

}  // namespace

DiagLog DiagLog::FromSettings() {
    return DiagLog(LogSwitchOn(settings::ReadLogSetting()));
}

void DiagLog::Append(LogEntry entry) const {
    if (!on_) {
        return;
    }
    try {
        entry.localTime = LocalTimeNow();
        if (entry.error != 0 && entry.errorText.empty()) {
            entry.errorText = common::SystemMessage(entry.error);
        }
        AppendLine(FormatLogLine(entry));
    } catch (...) {
        // Out of memory while logging: the run goes on without the line.
    }
}

void DiagLog::AppendReplyFileFailure(const std::string& callsign, DWORD error) const {
    LogEntry entry;
    entry.event = kReplyFileEvent;
    entry.callsign = callsign;
    entry.error = error;
    entry.outcome = kOutcomeWriteFailed;
    Append(entry);
}

void DiagLog::AppendUpdateFetch(const std::string& url, const net::BoundedHttpGet::Report& report,
                                bool fetched) const {
    LogEntry entry;
    entry.event = kUpdateCheckEvent;
    entry.url = url;
    entry.status = report.status;
    entry.error = report.error;
    entry.bytes = report.bytes;
    entry.ms = report.ms;
    entry.proxy = report.proxy;
    if (fetched) {
        entry.outcome = kOutcomeFound;
    } else {
        entry.outcome =
            report.status != 0 && report.error == 0 ? kOutcomeNotFound : kOutcomeNoSession;
    }
    Append(entry);
}

}  // namespace lookup
