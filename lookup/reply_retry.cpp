#include "lookup/reply_retry.h"

namespace lookup {

bool WorthRetrying(ReplyStep step, ReplyFailure failure, bool deletedBefore,
                   unsigned long long elapsedMs) {
    if (elapsedMs >= kReplyRetryWindowMs) {
        return false;
    }
    switch (failure) {
        case ReplyFailure::SharingViolation:
        case ReplyFailure::LockViolation:
            return true;
        case ReplyFailure::AccessDenied:
            return deletedBefore;
        case ReplyFailure::AlreadyExists:
            return deletedBefore && step == ReplyStep::Create;
        case ReplyFailure::Other:
            return false;
    }
    return false;
}

unsigned PauseBeforeRetryMs(unsigned long long elapsedMs) {
    if (elapsedMs >= kReplyRetryWindowMs) {
        return 0;
    }
    const unsigned long long left = kReplyRetryWindowMs - elapsedMs;
    return left < kReplyRetryPauseMs ? static_cast<unsigned>(left) : kReplyRetryPauseMs;
}

}  // namespace lookup
