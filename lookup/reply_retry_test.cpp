#include "lookup/reply_retry.h"

#include <gtest/gtest.h>

namespace lookup {
namespace {

using common::FileFailure;

// The reply file's decision: the rule with what the step shows.
bool Retried(ReplyStep step, FileFailure failure, bool deletedBefore) {
    return common::WorthRetrying(failure, ReplyHoldShown(step, failure, deletedBefore));
}

// A hold by another program clears by itself: sharing and lock violations are retried at
// either step, whether or not the old file was already deleted.
TEST(ReplyRetry, SharingAndLockViolationsAreRetried) {
    for (const ReplyStep step : {ReplyStep::Delete, ReplyStep::Create}) {
        for (const bool deleted : {false, true}) {
            EXPECT_TRUE(Retried(step, FileFailure::SharingViolation, deleted));
            EXPECT_TRUE(Retried(step, FileFailure::LockViolation, deleted));
        }
    }
}

// Access denied is a read-only file unless a delete of this write succeeded: then the file is
// only pending deletion. A file that exists at the create is the same state, seen another way.
TEST(ReplyRetry, AccessDeniedAndExistingFileOnlyAfterASuccessfulDelete) {
    EXPECT_FALSE(Retried(ReplyStep::Delete, FileFailure::AccessDenied, false));
    EXPECT_FALSE(Retried(ReplyStep::Create, FileFailure::AccessDenied, false));
    EXPECT_TRUE(Retried(ReplyStep::Create, FileFailure::AccessDenied, true));
    EXPECT_TRUE(Retried(ReplyStep::Delete, FileFailure::AccessDenied, true));

    EXPECT_FALSE(Retried(ReplyStep::Create, FileFailure::AlreadyExists, false));
    EXPECT_TRUE(Retried(ReplyStep::Create, FileFailure::AlreadyExists, true));
    EXPECT_FALSE(Retried(ReplyStep::Delete, FileFailure::AlreadyExists, true));
}

TEST(ReplyRetry, OtherFailuresAreNeverRetried) {
    for (const ReplyStep step : {ReplyStep::Delete, ReplyStep::Create}) {
        EXPECT_FALSE(Retried(step, FileFailure::Other, false));
        EXPECT_FALSE(Retried(step, FileFailure::Other, true));
    }
}

}  // namespace
}  // namespace lookup
