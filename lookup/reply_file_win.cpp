#include "lookup/reply_file_win.h"

#include <windows.h>

#include "common/file_retry_win.h"
#include "common/whole_file_win.h"
#include "common/messages.h"
#include "common/system_message_win.h"
#include "diag/diag_log_win.h"
#include "lookup/reply_retry.h"

namespace lookup {
namespace {

// One try at replacing the file. On failure returns the system error code, with `holdShown`
// telling whether the failed step shows that only another program's hold refuses it; `deleted`
// becomes true once the old file's delete succeeds.
DWORD TryReplace(const std::string& content, bool& deleted, bool& holdShown) {
    DWORD error = ERROR_SUCCESS;
    ReplyStep step = ReplyStep::Delete;
    if (DeleteFileA(common::messages::kReplyFileName)) {
        deleted = true;
    } else {
        error = common::LastErrorOr(ERROR_ACCESS_DENIED);
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            error = ERROR_SUCCESS;  // (a missing file has nothing to delete)
        }
    }
    if (error == ERROR_SUCCESS) {
        step = ReplyStep::Create;
        error =
            common::WriteWholeFile(common::messages::kReplyFileName, content, CREATE_NEW, false);
    }
    holdShown = ReplyHoldShown(step, common::ClassifyFileError(error), deleted);
    return error;
}

// Replaces the file, trying again while another program's hold may clear.
common::RetriedStep ReplaceReplyFile(const std::string& content, common::RetryBudget& retries) {
    bool deleted = false;
    return common::RetryFileStep(
        retries, [&](bool& holdShown) { return TryReplace(content, deleted, holdShown); });
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
                            const diag::DiagLog& log, common::RetryBudget& retries) {
    const common::RetriedStep written = ReplaceReplyFile(text + "\r\n", retries);
    const DWORD error = written.error;
    // A failure gets its line; a success only when the file had to be waited for.
    if (error != ERROR_SUCCESS || written.tries > 1) {
        diag::LogEntry entry;
        entry.event = diag::kReplyFileEvent;
        entry.callsign = callsign;
        entry.error = error;
        entry.outcome = error == ERROR_SUCCESS ? diag::kOutcomeWritten : diag::kOutcomeWriteFailed;
        entry.tries = written.tries;
        log.Append(entry);
    }
    if (error == ERROR_SUCCESS) {
        return true;
    }
    const std::string message = common::messages::Fill(
        common::messages::kCouldNotWriteReply,
        {{common::messages::kReplyPath, CurrentFolder() + "\\" + common::messages::kReplyFileName},
         {common::messages::kSystemMessage, common::SystemMessage(error)}});
    MessageBoxA(nullptr, message.c_str(), common::messages::kAppTitle, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

}  // namespace lookup
