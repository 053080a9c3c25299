#include "common/file_retry.h"

#include <algorithm>

namespace common {

bool WorthRetrying(FileFailure failure, bool holdShown) {
    switch (failure) {
        case FileFailure::SharingViolation:
        case FileFailure::LockViolation:
            return true;
        case FileFailure::AccessDenied:
        case FileFailure::AlreadyExists:
            return holdShown;
        case FileFailure::None:
        case FileFailure::Other:
            return false;
    }
    return false;
}

std::uint32_t RetryPauseMs(unsigned triesSoFar) {
    std::uint32_t pause = kFirstRetryPauseMs;
    for (unsigned i = 1; i < triesSoFar && pause < kLongestRetryPauseMs; ++i) {
        pause *= 2;
    }
    return std::min(pause, kLongestRetryPauseMs);
}

std::uint32_t RetryBudget::LeftMs() const {
    return whole_ ? std::min(leftMs_, whole_->LeftMs()) : leftMs_;
}

void RetryBudget::Spend(std::uint32_t ms) {
    leftMs_ -= std::min(ms, leftMs_);
    if (whole_) {
        whole_->Spend(ms);
    }
}

unsigned RunWithRetries(RetryBudget& budget, const std::function<FileTry()>& attempt,
                        const std::function<void(std::uint32_t)>& pause) {
    for (unsigned tries = 1;; ++tries) {
        const FileTry result = attempt();
        if (result.failure == FileFailure::None ||
            !WorthRetrying(result.failure, result.holdShown)) {
            return tries;
        }
        const std::uint32_t left = budget.LeftMs();
        if (left == 0) {
            return tries;
        }
        const std::uint32_t ms = std::min(RetryPauseMs(tries), left);
        pause(ms);
        budget.Spend(ms);
    }
}

}  // namespace common
