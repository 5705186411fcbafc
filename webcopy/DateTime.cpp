#include "webcopy/DateTime.h"

#include <QDateTime>

namespace {

constexpr qint64 MsPerDay = 86'400'000;
constexpr qint64 UnixEpochDay = 25'569;          // 1970-01-01 in date-time days
constexpr qint64 FileTimeEpochDay = -109'205;    // 1601-01-01 in date-time days
constexpr qint64 FileTimeEpochUnixSecs = -11'644'473'600;
constexpr qint64 TicksPerSec = 10'000'000;
// 0001-01-01 00:00:00 and 9999-12-31 23:59:59 UTC: the calendar range of the engine.
constexpr qint64 FirstUnixSecs = -62'135'596'800;
constexpr qint64 LastUnixSecs = 253'402'300'799;

qint64 FloorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
qint64 DaysFromCivil(qint64 year, int month, int day)
{
    year -= month <= 2;
    const qint64 era = FloorDiv(year, 400);
    const qint64 yearOfEra = year - era * 400;
    const qint64 dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const qint64 dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146'097 + dayOfEra - 719'468;
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : Days[month - 1];
}

// Whole part = day, fraction = time of day counted forward, also for negative days.
TDateTime Compose(qint64 dayNumber, qint64 msOfDay)
{
    const double timeOfDay = double(msOfDay) / double(MsPerDay);
    return dayNumber >= 0 ? double(dayNumber) + timeOfDay : double(dayNumber) - timeOfDay;
}

TDateTime FromUnixMilliseconds(qint64 ms)
{
    const qint64 unixDay = FloorDiv(ms, MsPerDay);
    return Compose(unixDay + UnixEpochDay, ms - unixDay * MsPerDay);
}

} // namespace

std::optional<TDateTime> TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                                           int msec)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)
        || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0
        || msec > 999)
        return std::nullopt;
    const qint64 msOfDay = ((qint64(hour) * 60 + minute) * 60 + second) * 1000 + msec;
    return Compose(DaysFromCivil(year, month, day) + UnixEpochDay, msOfDay);
}

TDateTime FileTimeToDateTime(const TFileTime& fileTime)
{
    const quint64 ticks = quint64(fileTime.dwHighDateTime) << 32 | fileTime.dwLowDateTime;
    const qint64 ms = qint64(ticks / 10'000);
    return Compose(ms / MsPerDay + FileTimeEpochDay, ms % MsPerDay);
}

TDateTime SystemTimeToDateTimeOrNow(const TSystemTime& systemTime)
{
    if (systemTime.wYear == 0 && systemTime.wMonth == 0)
        return NowDateTime();
    return TryEncodeDateTime(systemTime.wYear, systemTime.wMonth, systemTime.wDay, systemTime.wHour,
                             systemTime.wMinute, systemTime.wSecond, systemTime.wMilliseconds)
        .value_or(NowDateTime());
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec)
{
    return TryEncodeDateTime(year, month, day, hour, minute, second, msec).value_or(0);
}

TDateTime NowDateTime()
{
    const QDateTime now = QDateTime::currentDateTime();
    return FromUnixMilliseconds(now.toMSecsSinceEpoch() + qint64(now.offsetFromUtc()) * 1000);
}

TFileTime UnixTimeToFileTime(qint64 secs, int nsec)
{
    if (secs < FileTimeEpochUnixSecs)
        return {};
    // Unsigned: the difference exceeds the signed range for the largest seconds.
    const quint64 secsSince1601 = quint64(secs) - quint64(FileTimeEpochUnixSecs);
    const quint64 subTicks = quint64(qBound(0, nsec, 999'999'999)) / 100;
    quint64 ticks = ~quint64(0);
    if (secsSince1601 <= (ticks - subTicks) / TicksPerSec)
        ticks = secsSince1601 * TicksPerSec + subTicks;
    return {quint32(ticks), quint32(ticks >> 32)};
}

TDateTime LocalDateTimeFromUnixTime(qint64 secs, int nsec)
{
    secs = qBound(FirstUnixSecs, secs, LastUnixSecs);
    const int offset = QDateTime::fromSecsSinceEpoch(secs).offsetFromUtc();
    return FromUnixMilliseconds((secs + offset) * 1000 + qBound(0, nsec, 999'999'999) / 1'000'000);
}
