#include "lookup/reply_file_win.h"

#include <windows.h>

#include "common/whole_file_win.h"
#include "common/message_pump_win.h"
#include "common/messages.h"
#include "common/system_message_win.h"
#include "diag/diag_log_win.h"
#include "lookup/reply_retry.h"

namespace lookup {
namespace {

ReplyFailure Classify(DWORD error) {
    switch (error) {
        case ERROR_SHARING_VIOLATION:
            return ReplyFailure::SharingViolation;
        case ERROR_LOCK_VIOLATION:
            return ReplyFailure::LockViolation;
        case ERROR_ACCESS_DENIED:
            return ReplyFailure::AccessDenied;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return ReplyFailure::AlreadyExists;
        default:
            return ReplyFailure::Other;
    }
}

// One try at replacing the file. On failure returns the system error code, with `step` telling
// which step failed; `deleted` becomes true once the old file's delete succeeds.
DWORD TryReplace(const std::string& content, bool& deleted, ReplyStep& step) {
    step = ReplyStep::Delete;
    if (DeleteFileA(common::messages::kReplyFileName)) {
        deleted = true;
    } else {
        const DWORD error = common::LastErrorOr(ERROR_ACCESS_DENIED);
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            return error;  // (a missing file has nothing to delete)
        }
    }
    step = ReplyStep::Create;
    return common::WriteWholeFile(common::messages::kReplyFileName, content, CREATE_NEW, false);
}

// Replaces the file, trying again while another program's hold may clear. On failure returns
// the system error code of the last try.
DWORD ReplaceReplyFile(const std::string& content) {
    const ULONGLONG start = GetTickCount64();
    bool deleted = false;
    for (;;) {
        ReplyStep step = ReplyStep::Delete;
        const DWORD error = TryReplace(content, deleted, step);
        if (error == ERROR_SUCCESS) {
            return ERROR_SUCCESS;
        }
        const ULONGLONG elapsed = GetTickCount64() - start;
        if (!WorthRetrying(step, Classify(error), deleted, elapsed)) {
            return error;
        }
        const DWORD pause = PauseBeforeRetryMs(elapsed);
        if (!common::PauseDispatchingMessages(pause)) {
            Sleep(pause);  // the program is ending: wait without dispatching
        }
    }
}

// The current folder, without a trailing backslash (a drive's root keeps none either).
std::string CurrentFolder() {
    char buffer[MAX_PATH * 2] = {};
    const DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
    std::string folder = (n > 0 && n < sizeof buffer) ? std::string(buffer, n) : std::string(".");
    if (!folder.empty() && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

}  // namespace

bool WriteReplyFileOrReport(const std::string& text, const std::string& callsign,
                            const diag::DiagLog& log) {
    const DWORD error = ReplaceReplyFile(text + "\r\n");
    if (error == ERROR_SUCCESS) {
        return true;
    }
    diag::LogEntry entry;
    entry.event = diag::kReplyFileEvent;
    entry.callsign = callsign;
    entry.error = error;
    entry.outcome = diag::kOutcomeWriteFailed;
    log.Append(entry);
    const std::string message = common::messages::Fill(
        common::messages::kCouldNotWriteReply,
        {{common::messages::kReplyPath, CurrentFolder() + "\\" + common::messages::kReplyFileName},
         {common::messages::kSystemMessage, common::SystemMessage(error)}});
    MessageBoxA(nullptr, message.c_str(), common::messages::kAppTitle, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

}  // namespace lookup
