#include "lookup/reply_retry.h"

#include <gtest/gtest.h>

namespace lookup {

// A hold by another program clears by itself: sharing and lock violations are retried at
// either step, whether or not the old file was already deleted.
TEST(ReplyRetry, SharingAndLockViolationsAreRetried) {
    for (const ReplyStep step : {ReplyStep::Delete, ReplyStep::Create}) {
        for (const bool deleted : {false, true}) {
            EXPECT_TRUE(WorthRetrying(step, ReplyFailure::SharingViolation, deleted, 0));
            EXPECT_TRUE(WorthRetrying(step, ReplyFailure::LockViolation, deleted, 1999));
        }
    }
}

// Access denied is a read-only file unless a delete of this write succeeded: then the file is
// only pending deletion. A file that exists at the create is the same state, seen another way.
TEST(ReplyRetry, AccessDeniedAndExistingFileOnlyAfterASuccessfulDelete) {
    EXPECT_FALSE(WorthRetrying(ReplyStep::Delete, ReplyFailure::AccessDenied, false, 0));
    EXPECT_FALSE(WorthRetrying(ReplyStep::Create, ReplyFailure::AccessDenied, false, 0));
    EXPECT_TRUE(WorthRetrying(ReplyStep::Create, ReplyFailure::AccessDenied, true, 0));
    EXPECT_TRUE(WorthRetrying(ReplyStep::Delete, ReplyFailure::AccessDenied, true, 10));

    EXPECT_FALSE(WorthRetrying(ReplyStep::Create, ReplyFailure::AlreadyExists, false, 0));
    EXPECT_TRUE(WorthRetrying(ReplyStep::Create, ReplyFailure::AlreadyExists, true, 0));
    EXPECT_FALSE(WorthRetrying(ReplyStep::Delete, ReplyFailure::AlreadyExists, true, 0));
}

TEST(ReplyRetry, OtherFailuresAreNeverRetried) {
    for (const ReplyStep step : {ReplyStep::Delete, ReplyStep::Create}) {
        EXPECT_FALSE(WorthRetrying(step, ReplyFailure::Other, false, 0));
        EXPECT_FALSE(WorthRetrying(step, ReplyFailure::Other, true, 0));
    }
}

// Two seconds after the first try nothing is retried any more.
TEST(ReplyRetry, TheWindowIsTwoSeconds) {
    EXPECT_TRUE(WorthRetrying(ReplyStep::Delete, ReplyFailure::SharingViolation, false, 1999));
    EXPECT_FALSE(WorthRetrying(ReplyStep::Delete, ReplyFailure::SharingViolation, false, 2000));
    EXPECT_FALSE(WorthRetrying(ReplyStep::Create, ReplyFailure::AccessDenied, true, 2000));
    EXPECT_FALSE(WorthRetrying(ReplyStep::Create, ReplyFailure::LockViolation, true, 60000));

    EXPECT_EQ(PauseBeforeRetryMs(0), 50u);
    EXPECT_EQ(PauseBeforeRetryMs(1950), 50u);
    EXPECT_EQ(PauseBeforeRetryMs(1980), 20u);
    EXPECT_EQ(PauseBeforeRetryMs(2000), 0u);
    EXPECT_EQ(PauseBeforeRetryMs(5000), 0u);
}

}  // namespace lookup
