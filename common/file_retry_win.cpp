#include "common/file_retry_win.h"

#include "common/message_pump_win.h"

namespace common {

FileFailure ClassifyFileError(DWORD error) {
    switch (error) {
        case ERROR_SUCCESS:
            return FileFailure::None;
        case ERROR_SHARING_VIOLATION:
            return FileFailure::SharingViolation;
        case ERROR_LOCK_VIOLATION:
            return FileFailure::LockViolation;
        case ERROR_ACCESS_DENIED:
            return FileFailure::AccessDenied;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return FileFailure::AlreadyExists;
        default:
            return FileFailure::Other;
    }
}

RetriedStep RetryFileStep(RetryBudget& budget, const std::function<DWORD(bool& holdShown)>& step) {
    RetriedStep result;
    result.tries = RunWithRetries(
        budget,
        [&] {
            FileTry t;
            result.error = step(t.holdShown);
            t.failure = ClassifyFileError(result.error);
            return t;
        },
        [](std::uint32_t ms) {
            if (!PauseDispatchingMessages(ms)) {
                Sleep(ms);  // the program is ending: wait without dispatching
            }
        });
    return result;
}

RetriedStep RetryFileStep(RetryBudget& budget, bool denialIsHold,
                          const std::function<DWORD()>& step) {
    return RetryFileStep(budget, [&](bool& holdShown) {
        holdShown = denialIsHold;
        return step();
    });
}

}  // namespace common
