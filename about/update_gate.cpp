#include "about/update_gate.h"

namespace about {

namespace {

// Days from 1970-01-01 to the given date, proleptic Gregorian.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);             // [0, 399]
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;  // [0, 365]
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;            // [0, 146096]
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

constexpr long long kBoundariesBeforeCheck = 24;

}  // namespace

long long HourIndex(const CivilTime& t) {
    return DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) *
               24 +
           t.hour;
}

bool UpdateCheckDue(const CivilTime& lastCheck, const CivilTime& now) {
    return HourIndex(now) - HourIndex(lastCheck) > kBoundariesBeforeCheck;
}

bool CheckedWithinTheDay(long long lastCheckHour, long long nowHour) {
    return lastCheckHour <= nowHour && nowHour - lastCheckHour <= kBoundariesBeforeCheck;
}

}  // namespace about
