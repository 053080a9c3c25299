#include "lookup/reply_retry.h"

#include <gtest/gtest.h>

using reply_retry::Failure;
using reply_retry::Step;
using reply_retry::WorthRetrying;

// A hold by another program clears by itself: sharing and lock violations are retried at
// either step, whether or not the old file was already deleted.
TEST(ReplyRetry, SharingAndLockViolationsAreRetried) {
    for (const Step step : {Step::Delete, Step::Create}) {
        for (const bool deleted : {false, true}) {
            EXPECT_TRUE(WorthRetrying(step, Failure::SharingViolation, deleted, 0));
            EXPECT_TRUE(WorthRetrying(step, Failure::LockViolation, deleted, 1999));
        }
    }
}

// Access denied is a read-only file unless a delete of this write succeeded: then the file is
// only pending deletion. A file that exists at the create is the same state, seen another way.
TEST(ReplyRetry, AccessDeniedAndExistingFileOnlyAfterASuccessfulDelete) {
    EXPECT_FALSE(WorthRetrying(Step::Delete, Failure::AccessDenied, false, 0));
    EXPECT_FALSE(WorthRetrying(Step::Create, Failure::AccessDenied, false, 0));
    EXPECT_TRUE(WorthRetrying(Step::Create, Failure::AccessDenied, true, 0));
    EXPECT_TRUE(WorthRetrying(Step::Delete, Failure::AccessDenied, true, 10));

    EXPECT_FALSE(WorthRetrying(Step::Create, Failure::AlreadyExists, false, 0));
    EXPECT_TRUE(WorthRetrying(Step::Create, Failure::AlreadyExists, true, 0));
    EXPECT_FALSE(WorthRetrying(Step::Delete, Failure::AlreadyExists, true, 0));
}

TEST(ReplyRetry, OtherFailuresAreNeverRetried) {
    for (const Step step : {Step::Delete, Step::Create}) {
        EXPECT_FALSE(WorthRetrying(step, Failure::Other, false, 0));
        EXPECT_FALSE(WorthRetrying(step, Failure::Other, true, 0));
    }
}

// Two seconds after the first try nothing is retried any more.
TEST(ReplyRetry, TheWindowIsTwoSeconds) {
    EXPECT_TRUE(WorthRetrying(Step::Delete, Failure::SharingViolation, false, 1999));
    EXPECT_FALSE(WorthRetrying(Step::Delete, Failure::SharingViolation, false, 2000));
    EXPECT_FALSE(WorthRetrying(Step::Create, Failure::AccessDenied, true, 2000));
    EXPECT_FALSE(WorthRetrying(Step::Create, Failure::LockViolation, true, 60000));

    EXPECT_EQ(reply_retry::PauseBeforeRetryMs(0), 50u);
    EXPECT_EQ(reply_retry::PauseBeforeRetryMs(1950), 50u);
    EXPECT_EQ(reply_retry::PauseBeforeRetryMs(1980), 20u);
    EXPECT_EQ(reply_retry::PauseBeforeRetryMs(2000), 0u);
    EXPECT_EQ(reply_retry::PauseBeforeRetryMs(5000), 0u);
}
