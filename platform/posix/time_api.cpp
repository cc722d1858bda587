// FILETIME arithmetic: 100-nanosecond ticks since 1601-01-01 UTC, split into
// calendar fields on the proleptic Gregorian calendar, as Windows does.
#include <cstdint>
#include <ctime>

#include "platform/posix/file_times.h"
#include "platform/posix/win32_api.h"

namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kSecondsFrom1601To1970 = 11'644'473'600;
constexpr int64_t kTicksPerDay = kTicksPerSecond * 86'400;

uint64_t Ticks(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME FromTicks(uint64_t ticks)
{
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// The local zone's offset from UTC now, in seconds (east positive).
int64_t CurrentUtcOffsetSeconds()
{
    const time_t now = time(nullptr);
    struct tm local {};
    if (!localtime_r(&now, &local)) return 0;
    return local.tm_gmtoff;
}

}  // namespace

namespace posix {

FILETIME FileTimeFromTimespec(const timespec& time)
{
    const int64_t ticks =
        (static_cast<int64_t>(time.tv_sec) + kSecondsFrom1601To1970) * kTicksPerSecond + time.tv_nsec / 100;
    return FromTicks(ticks < 0 ? 0 : static_cast<uint64_t>(ticks));
}

}  // namespace posix

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime)
{
    if (!fileTime || !localFileTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The offset in force now, not the one of the converted date: a summer
    // date converted in winter shows winter time, as on Windows.
    const int64_t local = static_cast<int64_t>(Ticks(*fileTime)) + CurrentUtcOffsetSeconds() * kTicksPerSecond;
    if (local < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *localFileTime = FromTicks(static_cast<uint64_t>(local));
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime)
{
    if (!fileTime || !systemTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const uint64_t ticks = Ticks(*fileTime);
    if (ticks >= 0x8000000000000000ull) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const int64_t days = static_cast<int64_t>(ticks / kTicksPerDay);
    const int64_t dayTicks = static_cast<int64_t>(ticks % kTicksPerDay);

    // Civil date from days since 1601-01-01, a 400-year cycle's start.
    int64_t cycles = days / 146'097;
    int64_t dayOfCycle = days % 146'097;
    int64_t centuries = dayOfCycle / 36'524;
    if (centuries == 4) centuries = 3;
    dayOfCycle -= centuries * 36'524;
    int64_t quads = dayOfCycle / 1'461;
    dayOfCycle -= quads * 1'461;
    int64_t years = dayOfCycle / 365;
    if (years == 4) years = 3;
    int64_t dayOfYear = dayOfCycle - years * 365;
    const int64_t year = 1601 + cycles * 400 + centuries * 100 + quads * 4 + years;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    static const int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int month = 0;
    while (month < 11) {
        const int length = kMonthDays[month] + (month == 1 && leap ? 1 : 0);
        if (dayOfYear < length) break;
        dayOfYear -= length;
        ++month;
    }

    systemTime->wYear = static_cast<WORD>(year);
    systemTime->wMonth = static_cast<WORD>(month + 1);
    systemTime->wDay = static_cast<WORD>(dayOfYear + 1);
    systemTime->wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
    const int64_t seconds = dayTicks / kTicksPerSecond;
    systemTime->wHour = static_cast<WORD>(seconds / 3600);
    systemTime->wMinute = static_cast<WORD>(seconds / 60 % 60);
    systemTime->wSecond = static_cast<WORD>(seconds % 60);
    systemTime->wMilliseconds = static_cast<WORD>(dayTicks % kTicksPerSecond / 10'000);
    return TRUE;
}
