#include "account/account_change.h"

#include <gtest/gtest.h>

namespace account {

TEST(AccountChange, WritesOnlyWhatChanged) {
    AccountWrites w = DecideAccountWrites("K1OLD", "oldpw", "K1NEW", "newpw");
    EXPECT_TRUE(w.userName);
    EXPECT_EQ(w.newUserName, "K1NEW");
    EXPECT_TRUE(w.password);
    EXPECT_EQ(w.newPassword, "newpw");

    w = DecideAccountWrites("K1OLD", "oldpw", "K1OLD", "newpw");
    EXPECT_FALSE(w.userName);
    EXPECT_TRUE(w.password);
    EXPECT_EQ(w.newPassword, "newpw");

    w = DecideAccountWrites("K1OLD", "oldpw", "K1NEW", "oldpw");
    EXPECT_TRUE(w.userName);
    EXPECT_FALSE(w.password) << "an unchanged password is not written again";

    // Names compare exactly: a change of case is a change.
    w = DecideAccountWrites("k1old", "oldpw", "K1OLD", "");
    EXPECT_TRUE(w.userName);
    EXPECT_EQ(w.newUserName, "K1OLD");
}

TEST(AccountChange, EmptyPasswordKeepsTheStoredOne) {
    const AccountWrites w = DecideAccountWrites("K1OLD", "oldpw", "K1NEW", "");
    EXPECT_TRUE(w.userName);
    EXPECT_FALSE(w.password);
    EXPECT_EQ(w.newPassword, "");
}

TEST(AccountChange, EmptyUserNameWritesNothing) {
    const AccountWrites w = DecideAccountWrites("K1OLD", "oldpw", "", "newpw");
    EXPECT_FALSE(w.userName);
    EXPECT_FALSE(w.password);
}

TEST(AccountChange, PlaceholderAccountIsReplaced) {
    const AccountWrites w = DecideAccountWrites("Not Set", "Not Set", "K1NEW", "pw");
    EXPECT_TRUE(w.userName);
    EXPECT_EQ(w.newUserName, "K1NEW");
    EXPECT_TRUE(w.password);
    EXPECT_EQ(w.newPassword, "pw");
}

}  // namespace account
