#include "diag/diag_log_win.h"

#include "common/handles_win.h"
#include "common/system_message_win.h"

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

void AppendLine(const std::string& folder, const std::string& line) {
    const std::string path = PathIn(folder, kLogFileName);
    const std::string content = line + "\r\n";
    if (LogNeedsRollOver(FileSize(path), content.size())) {
        MoveFileExA(path.c_str(), PathIn(folder, kOldLogFileName).c_str(),
                    MOVEFILE_REPLACE_EXISTING);
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

void DiagLog::Append(LogEntry entry) const {
    if (!on_) {
        return;
    }
    try {
        entry.localTime = LocalTimeNow();
        if (entry.error != 0 && entry.errorText.empty()) {
            entry.errorText = common::SystemMessage(entry.error);
        }
        AppendLine(folder_, FormatLogLine(entry));
    } catch (...) {
        // Out of memory while logging: the run goes on without the line.
    }
}

}  // namespace diag
