#include "support/UtcTime.h"

#include <cstdio>

namespace support {

namespace {

struct CivilDate {
    std::int64_t year;
    unsigned month, day;
};

// Counted in 400-year eras from 0000-03-01, so that the leap day ends each
// year; floor division keeps days before 1970 right.
CivilDate CivilDateOfDay(std::int64_t daysSince1970)
{
    constexpr std::int64_t kDaysFrom0000March1To1970 = 719468;
    constexpr std::int64_t kDaysPerEra = 146097;
    const std::int64_t days = daysSince1970 + kDaysFrom0000March1To1970;
    const std::int64_t era = (days >= 0 ? days : days - (kDaysPerEra - 1)) / kDaysPerEra;
    const std::int64_t dayOfEra = days - era * kDaysPerEra;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const auto day = static_cast<unsigned>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    const auto month = static_cast<unsigned>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

}  // namespace

std::string UtcTimeText(std::int64_t secondsSince1970)
{
    constexpr std::int64_t kSecondsPerDay = 86400;
    std::int64_t days = secondsSince1970 / kSecondsPerDay;
    std::int64_t secondOfDay = secondsSince1970 % kSecondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += kSecondsPerDay;
        --days;
    }
    const CivilDate date = CivilDateOfDay(days);
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02u:%02u:%02uZ", static_cast<long long>(date.year), date.month,
                  date.day, static_cast<unsigned>(secondOfDay / 3600), static_cast<unsigned>(secondOfDay / 60 % 60),
                  static_cast<unsigned>(secondOfDay % 60));
    return text;
}

std::string UtcTimeTextOfFileTime(std::uint64_t unitsSince1601)
{
    constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
    return UtcTimeText(static_cast<std::int64_t>(unitsSince1601 / 10000000) - kSecondsFrom1601To1970);
}

}  // namespace support
