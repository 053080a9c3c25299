#include "common/file_retry.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace common {
namespace {

// A file held for `holdMs` from the first try: the tries fail with `failure` until the pauses
// made so far reach that time.
struct HeldFile {
    explicit HeldFile(std::uint32_t hold, FileFailure how = FileFailure::SharingViolation,
                      bool shown = false)
        : holdMs(hold), failure(how), holdShown(shown) {}

    std::uint32_t holdMs;
    FileFailure failure;
    bool holdShown;
    std::uint32_t waitedMs = 0;
    std::vector<std::uint32_t> pauses;

    unsigned Write(RetryBudget& budget) {
        return RunWithRetries(
            budget,
            [this] {
                FileTry t;
                if (waitedMs < holdMs) {
                    t.failure = failure;
                    t.holdShown = holdShown;
                }
                return t;
            },
            [this](std::uint32_t ms) {
                pauses.push_back(ms);
                waitedMs += ms;
            });
    }
};

// Another program's hold is retried whatever the step; an access denial or a file in the way
// only where the step showed that nothing else can refuse it; anything else never.
TEST(FileRetry, WhichFailuresAreRetried) {
    for (const bool shown : {false, true}) {
        EXPECT_TRUE(WorthRetrying(FileFailure::SharingViolation, shown));
        EXPECT_TRUE(WorthRetrying(FileFailure::LockViolation, shown));
        EXPECT_EQ(WorthRetrying(FileFailure::AccessDenied, shown), shown);
        EXPECT_EQ(WorthRetrying(FileFailure::AlreadyExists, shown), shown);
        EXPECT_FALSE(WorthRetrying(FileFailure::Other, shown));
        EXPECT_FALSE(WorthRetrying(FileFailure::None, shown));
    }
}

TEST(FileRetry, PausesGrowToTheLongest) {
    EXPECT_EQ(RetryPauseMs(1), 10u);
    EXPECT_EQ(RetryPauseMs(2), 20u);
    EXPECT_EQ(RetryPauseMs(3), 40u);
    EXPECT_EQ(RetryPauseMs(5), 160u);
    EXPECT_EQ(RetryPauseMs(6), 250u);
    EXPECT_EQ(RetryPauseMs(7), 250u);
    EXPECT_EQ(RetryPauseMs(1000), 250u);
}

// A hold of 600 ms is outlasted: the write succeeds at the first try after it, 810 ms after the
// first.
TEST(FileRetry, AHoldThatClearsIsOutlasted) {
    RetryBudget budget(kRetryBudgetMs);
    HeldFile file{600};
    EXPECT_EQ(file.Write(budget), 8u);
    EXPECT_EQ(file.pauses, (std::vector<std::uint32_t>{10, 20, 40, 80, 160, 250, 250}));
    EXPECT_EQ(budget.LeftMs(), kRetryBudgetMs - 810);

    HeldFile free{0};
    EXPECT_EQ(free.Write(budget), 1u);
    EXPECT_TRUE(free.pauses.empty());
    EXPECT_EQ(budget.LeftMs(), kRetryBudgetMs - 810);
}

// A hold that never clears costs the budget and no more: the last pause is cut to what is left,
// one last try follows it, and later steps of the run each make one try.
TEST(FileRetry, TheBudgetBoundsTheWaitOfTheWholeRun) {
    RetryBudget budget(kRetryBudgetMs);
    HeldFile held{60000, FileFailure::LockViolation};
    EXPECT_EQ(held.Write(budget), 13u);
    EXPECT_EQ(std::accumulate(held.pauses.begin(), held.pauses.end(), 0u), kRetryBudgetMs);
    EXPECT_EQ(held.pauses.back(), 190u);
    EXPECT_EQ(budget.LeftMs(), 0u);

    HeldFile later{100};
    EXPECT_EQ(later.Write(budget), 1u);
    EXPECT_TRUE(later.pauses.empty());
}

// A read-only file or folder is not waited for, and an unknown failure neither.
TEST(FileRetry, WhatNoWaitingClearsFailsAtOnce) {
    RetryBudget budget(kRetryBudgetMs);
    for (const FileFailure failure :
         {FileFailure::AccessDenied, FileFailure::AlreadyExists, FileFailure::Other}) {
        HeldFile readOnly{60000, failure};
        EXPECT_EQ(readOnly.Write(budget), 1u);
        EXPECT_TRUE(readOnly.pauses.empty());
    }
    EXPECT_EQ(budget.LeftMs(), kRetryBudgetMs);

    HeldFile replaced{300, FileFailure::AccessDenied, true};
    EXPECT_EQ(replaced.Write(budget), 6u);
    EXPECT_EQ(budget.LeftMs(), kRetryBudgetMs - 310);
}

// A share (the steps made while a lock others wait for is held) stops at its own cap, and what
// it spends is gone from the whole; it never gives more than the whole has left.
TEST(FileRetry, AShareHasItsOwnCapAndSpendsFromTheWhole) {
    RetryBudget run(kRetryBudgetMs);
    {
        RetryBudget locked(run, 1000);
        HeldFile held{60000};
        held.Write(locked);
        EXPECT_EQ(std::accumulate(held.pauses.begin(), held.pauses.end(), 0u), 1000u);
        EXPECT_EQ(locked.LeftMs(), 0u);
    }
    EXPECT_EQ(run.LeftMs(), kRetryBudgetMs - 1000);

    RetryBudget second(run, 1500);
    EXPECT_EQ(second.LeftMs(), 1000u);
    HeldFile held{60000};
    held.Write(second);
    EXPECT_EQ(std::accumulate(held.pauses.begin(), held.pauses.end(), 0u), 1000u);
    EXPECT_EQ(run.LeftMs(), 0u);
    run.Spend(5);  // nothing left to spend
    EXPECT_EQ(run.LeftMs(), 0u);
}

}  // namespace
}  // namespace common
