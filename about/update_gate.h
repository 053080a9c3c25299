// The hour-boundary gate of the daily update check.
#pragma once

namespace about {

// A local date and time as the calendar shows it. Fields are expected in their usual ranges
// (month 1-12, day 1-31, hour 0-23); minutes and seconds play no part in the gate.
struct CivilTime {
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
};

// Whole hours from 1970-01-01 00:00 to the start of the hour of `t`, proleptic Gregorian
// calendar (negative before 1970).
long long HourIndex(const CivilTime& t);

// True when more than 24 hour boundaries lie between `lastCheck` and `now` (both truncated to
// the whole hour). A `lastCheck` in the future gives a negative count: not due.
bool UpdateCheckDue(const CivilTime& lastCheck, const CivilTime& now);

// True when a check made in the hour `lastCheckHour` is known to leave none due in the hour
// `nowHour` (both HourIndex values): it lies no later than now and no more than 24 boundaries
// back. A check in the future (a clock set back) is not known so.
bool CheckedWithinTheDay(long long lastCheckHour, long long nowHour);

}  // namespace about
