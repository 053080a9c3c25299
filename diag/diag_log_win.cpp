#include "diag/diag_log_win.h"

#include "common/file_retry_win.h"
#include "common/handles_win.h"
#include "common/system_message_win.h"
#include "common/whole_file_win.h"

namespace diag {
namespace {

std::string PathIn(const std::string& folder, const char* name) {
    return folder + "\\" + name;
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

// One try at adding `content` to the end of the file.
DWORD TryAppend(const std::string& path, const std::string& content) {
    common::UniqueFile file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return common::LastErrorOr(ERROR_OPEN_FAILED);
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                   nullptr)) {
        return common::LastErrorOr(ERROR_WRITE_FAULT);
    }
    return ERROR_SUCCESS;
}

// Neither step shows that the folder can be written, so an access denial is never waited for.
void AppendLine(const std::string& folder, const std::string& line, common::RetryBudget& retries) {
    const std::string path = PathIn(folder, kLogFileName);
    const std::string content = line + "\r\n";
    if (LogNeedsRollOver(FileSize(path), content.size())) {
        const std::string old = PathIn(folder, kOldLogFileName);
        common::RetryFileStep(retries, false, [&] {
            return MoveFileExA(path.c_str(), old.c_str(), MOVEFILE_REPLACE_EXISTING)
                       ? ERROR_SUCCESS
                       : common::LastErrorOr(ERROR_WRITE_FAULT);
        });
    }
    common::RetryFileStep(retries, false, [&] { return TryAppend(path, content); });
}

}  // namespace

void DiagLog::Append(LogEntry entry) const {
    if (!on_) {
        return;
    }
    try {
        entry.localTime = LocalTimeNow();
        if (entry.error != 0 && entry.errorText.empty()) {
            entry.errorText = common::SystemMessage(entry.error);
        }
        common::RetryBudget none(0);
        AppendLine(folder_, FormatLogLine(entry), retries_ ? *retries_ : none);
    } catch (...) {
        // Out of memory while logging: the run goes on without the line.
    }
}

}  // namespace diag
