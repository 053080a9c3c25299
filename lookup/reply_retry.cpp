#include "lookup/reply_retry.h"

namespace reply_retry {

bool WorthRetrying(Step step, Failure failure, bool deletedBefore, unsigned long long elapsedMs) {
    if (elapsedMs >= kWindowMs) {
        return false;
    }
    switch (failure) {
        case Failure::SharingViolation:
        case Failure::LockViolation:
            return true;
        case Failure::AccessDenied:
            return deletedBefore;
        case Failure::AlreadyExists:
            return deletedBefore && step == Step::Create;
        case Failure::Other:
            return false;
    }
    return false;
}

unsigned PauseBeforeRetryMs(unsigned long long elapsedMs) {
    if (elapsedMs >= kWindowMs) {
        return 0;
    }
    const unsigned long long left = kWindowMs - elapsedMs;
    return left < kPauseMs ? static_cast<unsigned>(left) : kPauseMs;
}

}  // namespace reply_retry
