#pragma once

#include <QString>

// The progress dialog's texts. Each text is fully determined by a small integer key, so the
// per-block progress step can compare keys and build a text only when it would change.

// Integer division rounded to the nearest integer, halves to the even neighbour. A quotient
// beyond the 64-bit range, or a division by 0, gives the largest or smallest value of its sign
// (0 / 0 gives 0).
qint64 DivRoundHalfEven(qint64 num, qint64 den);
// num * factor / den, rounded and saturated as DivRoundHalfEven; the product never overflows.
qint64 MulDivRoundHalfEven(qint64 num, qint64 factor, qint64 den);

// "1 byte", "999 bytes", "1.00 KB", "1.54 MB": decimal units, two decimals (rounded half to even on
// the exact value), the locale's decimal separator.
QString FormatSizeText(qint64 n);
QString FormatRateText(qint64 n);
// The key that FormatSizeText / FormatRateText depend on, and the texts made from it.
qint64 AmountKey(qint64 n);
QString SizeTextFromKey(qint64 key);
QString RateTextFromKey(qint64 key);

// Time left at the average rate so far (or the elapsed time when nothing is known), as
// "12 sec.", "2 minutes." or "1h 1".
QString FormatTimeText(quint32 elapsed, const QString& secondWord, const QString& minuteWord, qint64 done,
                       qint64 total);
// The key that FormatTimeText depends on (besides the two words).
quint64 TimeKey(quint32 elapsed, qint64 done, qint64 total);
QString TimeTextFromKey(quint64 key, const QString& secondWord, const QString& minuteWord);
