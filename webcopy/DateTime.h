#pragma once

#include <QtGlobal>

#include <optional>

// The engine's date-time value: the whole part counts days since 1899-12-30, the fraction is
// the time of day. Before that day the whole part is negative and the fraction still counts
// forward from midnight: 1899-12-29 06:00 is -1.25, 1899-12-29 18:00 is -1.75. Such values
// therefore do not order by time within a day; file dates before 1900 do not occur in practice.
// All conversions of the engine live here; precision is one millisecond.
using TDateTime = double;

// 100-nanosecond intervals since 1601-01-01 (UTC, unless the caller says otherwise), low word first.
struct TFileTime {
    quint32 dwLowDateTime = 0;
    quint32 dwHighDateTime = 0;
};

// Calendar fields; an all-zero record means "never filled".
struct TSystemTime {
    quint16 wYear = 0;
    quint16 wMonth = 0;
    quint16 wDayOfWeek = 0;
    quint16 wDay = 0;
    quint16 wHour = 0;
    quint16 wMinute = 0;
    quint16 wSecond = 0;
    quint16 wMilliseconds = 0;
};

// The calendar fields of a file time as a date-time value, without any time-zone conversion.
TDateTime FileTimeToDateTime(const TFileTime& fileTime);

// The date-time value of the fields, without time-zone conversion (the day of the week is not
// read). A record that was never filled (year and month 0), or whose fields are not a valid
// date and time, gives the current local time: the date is unknown either way.
TDateTime SystemTimeToDateTimeOrNow(const TSystemTime& systemTime);

// The date-time value of the fields, or nothing when they are not a valid date and time in
// the ranges of EncodeDateTime: a date beyond the engine's calendar counts as absent.
std::optional<TDateTime> TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                                           int msec);

// Year 1-9999, month 1-12, a day of that month, hour 0-23, minute and second 0-59, msec 0-999;
// fields out of range give 0 (1899-12-30 00:00).
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec);

// The current local date and time.
TDateTime NowDateTime();

// A Unix time (seconds and nanoseconds since 1970-01-01 UTC) as a file time, still UTC.
// Times before 1601 give the zero file time, times beyond the largest file time (year 60056)
// the largest one; sub-100-ns digits are dropped.
TFileTime UnixTimeToFileTime(qint64 secs, int nsec);

// A Unix time as a local date-time value, as a local file's last-write time is compared.
TDateTime LocalDateTimeFromUnixTime(qint64 secs, int nsec = 0);
