#include "net/wait_budget.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace net {

// Waits add up; whatever happens between them is never charged, so a request that waited
// 3 s in two pieces has 17 s of its 20 s left, however long the run took meanwhile.
TEST(WaitBudget, WaitsAddUpAndLeaveTheRest) {
    WaitBudget budget(20000);
    EXPECT_EQ(budget.LeftMs(), 20000u);
    EXPECT_FALSE(budget.Exhausted());
    budget.Charge(1000, false);
    budget.Charge(2000, false);
    EXPECT_EQ(budget.SpentMs(), 3000u);
    EXPECT_EQ(budget.LeftMs(), 17000u);
    EXPECT_FALSE(budget.Exhausted());
    budget.Charge(0, false);
    EXPECT_EQ(budget.SpentMs(), 3000u);

    // A second request of the same run gets what is left.
    WaitBudget second(20000 - budget.SpentMs());
    EXPECT_EQ(second.LeftMs(), 17000u);
}

// A wait that ends with the budget, or reports more than was left (the clock's granularity),
// spends it all and never more.
TEST(WaitBudget, NeverSpendsMoreThanTheBudget) {
    WaitBudget exact(8000);
    exact.Charge(5000, false);
    exact.Charge(3000, false);
    EXPECT_TRUE(exact.Exhausted());
    EXPECT_EQ(exact.SpentMs(), 8000u);
    EXPECT_EQ(exact.LeftMs(), 0u);

    WaitBudget over(8000);
    over.Charge(7990, false);
    over.Charge(16, false);
    EXPECT_EQ(over.SpentMs(), 8000u);
    EXPECT_EQ(over.LeftMs(), 0u);

    WaitBudget huge(8000);
    huge.Charge(UINT64_C(0x100000010), false);  // more than 32 bits hold
    EXPECT_EQ(huge.SpentMs(), 8000u);
    EXPECT_TRUE(huge.Exhausted());
}

// A wait that timed out spends the rest even when the clock shows less.
TEST(WaitBudget, TimeOutSpendsTheRest) {
    WaitBudget budget(20000);
    budget.Charge(4000, false);
    budget.Charge(15990, true);
    EXPECT_TRUE(budget.Exhausted());
    EXPECT_EQ(budget.SpentMs(), 20000u);
}

TEST(WaitBudget, ZeroBudgetIsExhaustedAtOnce) {
    WaitBudget budget(0);
    EXPECT_TRUE(budget.Exhausted());
    EXPECT_EQ(budget.LeftMs(), 0u);
}

}  // namespace net
