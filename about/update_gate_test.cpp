#include "about/update_gate.h"

#include <gtest/gtest.h>

namespace about {

namespace {
CivilTime At(int y, int mo, int d, int h, int mi = 0, int s = 0) {
    return CivilTime{y, mo, d, h, mi, s};
}
}  // namespace

TEST(HourIndex, CountsWholeHoursFromTheEpoch) {
    EXPECT_EQ(HourIndex(At(1970, 1, 1, 0, 59, 59)), 0);
    EXPECT_EQ(HourIndex(At(1970, 1, 2, 5)), 29);
    EXPECT_EQ(HourIndex(At(1969, 12, 31, 23)), -1);
    // 39 years of which 10 leap years, then 3 days: 14248 days.
    EXPECT_EQ(HourIndex(At(2009, 1, 4, 19, 59)), 14248LL * 24 + 19);
}

TEST(HourIndex, LeapDaysOfTheGregorianCalendar) {
    EXPECT_EQ(HourIndex(At(2024, 3, 1, 0)) - HourIndex(At(2024, 2, 28, 0)), 48);
    EXPECT_EQ(HourIndex(At(2023, 3, 1, 0)) - HourIndex(At(2023, 2, 28, 0)), 24);
    EXPECT_EQ(HourIndex(At(2000, 3, 1, 0)) - HourIndex(At(2000, 2, 28, 0)), 48);
    EXPECT_EQ(HourIndex(At(2100, 3, 1, 0)) - HourIndex(At(2100, 2, 28, 0)), 24);
    EXPECT_EQ(HourIndex(At(2025, 1, 1, 0)) - HourIndex(At(2024, 1, 1, 0)), 366 * 24);
}

TEST(UpdateCheckDue, NeedsMoreThan24HourBoundaries) {
    EXPECT_FALSE(UpdateCheckDue(At(2024, 5, 9, 10, 0), At(2024, 5, 10, 10, 59)));
    EXPECT_TRUE(UpdateCheckDue(At(2024, 5, 9, 10, 59), At(2024, 5, 10, 11, 0)));
    EXPECT_FALSE(UpdateCheckDue(At(2024, 5, 10, 10, 0), At(2024, 5, 10, 10, 0)));
}

TEST(UpdateCheckDue, AcrossMonthYearAndLeapDay) {
    // Month end.
    EXPECT_FALSE(UpdateCheckDue(At(2024, 4, 30, 23, 59), At(2024, 5, 1, 23, 59)));
    EXPECT_TRUE(UpdateCheckDue(At(2024, 4, 30, 23, 59), At(2024, 5, 2, 0, 0)));
    // Year end.
    EXPECT_FALSE(UpdateCheckDue(At(2023, 12, 31, 23, 0), At(2024, 1, 1, 23, 59)));
    EXPECT_TRUE(UpdateCheckDue(At(2023, 12, 31, 23, 0), At(2024, 1, 2, 0, 0)));
    // Across 29 February: 48 boundaries in a leap year, 24 otherwise.
    EXPECT_TRUE(UpdateCheckDue(At(2024, 2, 28, 12, 0), At(2024, 3, 1, 12, 30)));
    EXPECT_FALSE(UpdateCheckDue(At(2023, 2, 28, 12, 0), At(2023, 3, 1, 12, 30)));
    EXPECT_FALSE(UpdateCheckDue(At(2024, 2, 28, 12, 0), At(2024, 2, 29, 12, 59)));
    EXPECT_TRUE(UpdateCheckDue(At(2024, 2, 29, 12, 0), At(2024, 3, 1, 13, 0)));
}

TEST(UpdateCheckDue, FutureMomentWaitsUntilPassedBy25Boundaries) {
    EXPECT_FALSE(UpdateCheckDue(At(2024, 5, 11, 10, 0), At(2024, 5, 10, 10, 0)));
    EXPECT_FALSE(UpdateCheckDue(At(2031, 1, 1, 0, 0), At(2024, 5, 10, 10, 0)));
    EXPECT_FALSE(UpdateCheckDue(At(2024, 5, 11, 10, 0), At(2024, 5, 12, 10, 59)));
    EXPECT_TRUE(UpdateCheckDue(At(2024, 5, 11, 10, 0), At(2024, 5, 12, 11, 0)));
}

// The hour of the last check that the program remembers between runs spares it the store's read
// for the rest of the day, and only then.
TEST(CheckedWithinTheDay, FromTheHourOfTheCheckTo24BoundariesLater) {
    const long long checked = HourIndex(At(2024, 5, 9, 10, 30));
    EXPECT_TRUE(CheckedWithinTheDay(checked, checked));
    EXPECT_TRUE(CheckedWithinTheDay(checked, HourIndex(At(2024, 5, 10, 10, 59))));
    EXPECT_FALSE(CheckedWithinTheDay(checked, HourIndex(At(2024, 5, 10, 11, 0))));
    // A clock set back, even by an hour, asks the store again.
    EXPECT_FALSE(CheckedWithinTheDay(checked, HourIndex(At(2024, 5, 9, 9, 59))));
    // The remembered hour never holds back a check that the stored time makes due: of three
    // days, it spares the 25 hours from the check's own on.
    int spared = 0;
    for (int hour = 0; hour < 72; ++hour) {
        const CivilTime now = At(2024, 5, 9 + hour / 24, hour % 24, 15);
        if (CheckedWithinTheDay(checked, HourIndex(now))) {
            EXPECT_FALSE(UpdateCheckDue(At(2024, 5, 9, 10, 30), now)) << hour;
            ++spared;
        }
    }
    EXPECT_EQ(spared, 25);
}

TEST(UpdateCheckDue, DefaultMomentOf2009IsLongPast) {
    // "01/04/2009 7:59:00 PM", read month-first or day-first.
    EXPECT_TRUE(UpdateCheckDue(At(2009, 1, 4, 19, 59), At(2009, 1, 5, 21, 0)));
    EXPECT_TRUE(UpdateCheckDue(At(2009, 1, 4, 19, 59), At(2024, 5, 10, 10, 0)));
    EXPECT_TRUE(UpdateCheckDue(At(2009, 4, 1, 19, 59), At(2024, 5, 10, 10, 0)));
}

}  // namespace about
