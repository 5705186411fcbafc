// Date conversions: extreme seconds and fields never overflow, and the conversions agree
// with the calendar of Qt wherever a date is in range.
#include "fuzz/FuzzInput.h"
#include "webcopy/DateTime.h"

#include <QDateTime>

#include <cmath>
#include <limits>

namespace {

quint64 Ticks(const TFileTime& fileTime)
{
    return quint64(fileTime.dwHighDateTime) << 32 | fileTime.dwLowDateTime;
}

void CheckUnixTime(qint64 secs, int nsec)
{
    const quint64 ticks = Ticks(UnixTimeToFileTime(secs, nsec));
    if (secs < std::numeric_limits<qint64>::max())
        Require(Ticks(UnixTimeToFileTime(secs + 1, nsec)) >= ticks, "file times grow with the seconds");
    Require(std::isfinite(FileTimeToDateTime(UnixTimeToFileTime(secs, nsec))), "a file time is a finite date");
    Require(std::isfinite(LocalDateTimeFromUnixTime(secs, nsec)), "a local time is a finite date");

    // Within the calendar, the file time's date is the date of its UTC fields.
    const QDateTime utc = QDateTime::fromSecsSinceEpoch(secs, Qt::UTC);
    const QDate date = utc.date();
    if (!utc.isValid() || date.year() < 1601 || date.year() > 9999)
        return;
    const QTime time = utc.time();
    const int ms = qBound(0, nsec, 999'999'999) / 1'000'000;
    Require(FileTimeToDateTime(UnixTimeToFileTime(secs, nsec))
                == EncodeDateTime(date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second(), ms),
            "a file time round-trips to its calendar fields");
}

void CheckFields(int year, int month, int day, int hour, int minute, int second, int msec)
{
    const std::optional<TDateTime> value = TryEncodeDateTime(year, month, day, hour, minute, second, msec);
    const bool valid = year >= 1 && year <= 9999 && QDate::isValid(year, month, day)
        && QTime::isValid(hour, minute, second, msec);
    Require(value.has_value() == valid, "exactly the calendar's dates are encoded");
    Require(EncodeDateTime(year, month, day, hour, minute, second, msec) == value.value_or(0), "absent dates give 0");
    if (valid)
        Require(std::isfinite(*value), "a date is finite");
}

void CheckSystemTime(const TSystemTime& fields)
{
    const TDateTime before = NowDateTime();
    const TDateTime value = SystemTimeToDateTimeOrNow(fields);
    const std::optional<TDateTime> exact = TryEncodeDateTime(fields.wYear, fields.wMonth, fields.wDay, fields.wHour,
                                                             fields.wMinute, fields.wSecond, fields.wMilliseconds);
    const bool filled = fields.wYear != 0 || fields.wMonth != 0;
    if (filled && exact)
        Require(value == *exact, "filled fields give their date");
    else
        Require(value >= before && value <= NowDateTime(), "absent or invalid fields give the current time");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFuzzInput input(data, size);
    const auto secs = input.Take<qint64>();
    const auto nsec = input.Take<int>();
    CheckUnixTime(secs, nsec);
    CheckUnixTime(secs % 400'000'000'000, nsec); // the years 1 to 9999 and around them

    const int year = input.Take<int>(), month = input.Take<int>(), day = input.Take<int>();
    const int hour = input.Take<int>(), minute = input.Take<int>(), second = input.Take<int>();
    const int msec = input.Take<int>();
    CheckFields(year, month, day, hour, minute, second, msec);
    CheckFields(year % 10'010, month % 14, day % 33, hour % 25, minute % 61, second % 61, msec % 1001);

    TFileTime fileTime;
    fileTime.dwLowDateTime = input.Take<quint32>();
    fileTime.dwHighDateTime = input.Take<quint32>();
    Require(std::isfinite(FileTimeToDateTime(fileTime)), "every file time is a finite date");

    TSystemTime systemTime;
    for (quint16* field : {&systemTime.wYear, &systemTime.wMonth, &systemTime.wDay, &systemTime.wHour,
                           &systemTime.wMinute, &systemTime.wSecond, &systemTime.wMilliseconds})
        *field = input.Take<quint16>();
    CheckSystemTime(systemTime);
    return 0;
}
