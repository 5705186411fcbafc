#include "webcopy/ProgressFormat.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace {

// Amount keys: below 1000 the count itself; from 1000 on the number of hundredths of the
// unit, lifted into a range of its own per unit so that keys of different units never meet.
constexpr qint64 KiloBase = 1000;
constexpr qint64 MegaBase = 1000000;

QString AmountTextFromKey(qint64 key, const QString& per, const QString& kilo, const QString& mega)
{
    if (key < 1000)
        return QString::number(key) + (key == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes")) + per;
    const bool isMega = key >= MegaBase;
    const qint64 hundredths = key - (isMega ? MegaBase : KiloBase);
    QString decimals = QString::number(hundredths % 100);
    if (decimals.size() < 2)
        decimals.prepend(QLatin1Char('0'));
    return QString::number(hundredths / 100) + QLocale().decimalPoint() + decimals + (isMega ? mega : kilo) + per;
}

// Round to the nearest integer, halves to even (the default rounding mode).
double RoundEven(double value)
{
    return std::nearbyint(value);
}

enum : quint64 { SecondsKind = 0, MinutesKind = 1ull << 40, HoursKind = 2ull << 40 };

} // namespace

qint64 MulDivRoundHalfEven(qint64 num, qint64 factor, qint64 den)
{
    // The common case, a size or a rate, in 64 bits: a 128-bit division costs several times
    // more, and this runs after every block.
    qint64 product = 0;
    if (den > 0 && num >= 0 && factor >= 0 && !__builtin_mul_overflow(num, factor, &product)) {
        const auto divisor = static_cast<quint64>(den);
        quint64 quotient = static_cast<quint64>(product) / divisor;
        const quint64 twiceRemainder = 2 * (static_cast<quint64>(product) % divisor);
        if (twiceRemainder > divisor || (twiceRemainder == divisor && (quotient & 1)))
            ++quotient;
        return static_cast<qint64>(quotient);
    }
    // 128 bits hold every product and every quotient; only the result is clamped.
    __extension__ using TInt128 = __int128;
    constexpr qint64 Max = std::numeric_limits<qint64>::max();
    constexpr qint64 Min = std::numeric_limits<qint64>::min();
    TInt128 dividend = TInt128(num) * factor;
    TInt128 divisor = den;
    if (divisor == 0)
        return dividend > 0 ? Max : dividend < 0 ? Min : 0;
    if (divisor < 0) {
        dividend = -dividend;
        divisor = -divisor;
    }
    TInt128 quotient = dividend / divisor;
    TInt128 remainder = dividend % divisor;
    if (remainder < 0) {
        remainder += divisor;
        --quotient;
    }
    if (2 * remainder > divisor || (2 * remainder == divisor && (quotient & 1)))
        ++quotient;
    return quotient > Max ? Max : quotient < Min ? Min : qint64(quotient);
}

qint64 DivRoundHalfEven(qint64 num, qint64 den)
{
    return MulDivRoundHalfEven(num, 1, den);
}

qint64 AmountKey(qint64 n)
{
    if (n < 1000)
        return n;
    if (n < 1000000)
        return KiloBase + DivRoundHalfEven(n, 10);
    return MegaBase + DivRoundHalfEven(n, 10000);
}

QString SizeTextFromKey(qint64 key)
{
    // Bytes: KB and MB (Kb and Mb would be bits).
    return AmountTextFromKey(key, QString(), QStringLiteral(" KB"), QStringLiteral(" MB"));
}

QString RateTextFromKey(qint64 key)
{
    return AmountTextFromKey(key, QStringLiteral("/sec"), QStringLiteral(" KB"), QStringLiteral(" MB"));
}

QString FormatSizeText(qint64 n)
{
    return SizeTextFromKey(AmountKey(n));
}

QString FormatRateText(qint64 n)
{
    return RateTextFromKey(AmountKey(n));
}

quint64 TimeKey(quint32 elapsed, qint64 done, qint64 total)
{
    double value = elapsed;
    if (done > 0 && total > 0 && total > done)
        value = static_cast<double>(total - done) / static_cast<double>(done) * elapsed;
    // The estimate is taken as a 32-bit count of milliseconds, as the tick counter is; a longer
    // one (a tiny rate, a huge announced size) stays the longest rather than wrapping to a
    // short time.
    constexpr double MaxMs = std::numeric_limits<quint32>::max();
    const double rounded = RoundEven(value);
    const auto ms = rounded >= MaxMs ? std::numeric_limits<quint32>::max() : static_cast<quint32>(rounded);
    const auto s = static_cast<quint64>(RoundEven(ms / 1000.0));
    const auto m = static_cast<quint64>(RoundEven(s / 60.0));
    const auto h = static_cast<quint64>(RoundEven(m / 60.0));
    if (m == 0 && h == 0)
        return SecondsKind | s;
    return (h > 0 ? HoursKind : MinutesKind) | m;
}

QString TimeTextFromKey(quint64 key, const QString& secondWord, const QString& minuteWord)
{
    const quint64 value = key & ((1ull << 40) - 1);
    switch (key & ~((1ull << 40) - 1)) {
    case SecondsKind:
        return QString::number(value) + QLatin1Char(' ') + secondWord + QLatin1Char('.');
    case HoursKind:
        return QString::number(value / 60) + QStringLiteral("h ") + QString::number(value % 60);
    default:
        return QString::number(value) + QLatin1Char(' ') + minuteWord + QLatin1Char('.');
    }
}

QString FormatTimeText(quint32 elapsed, const QString& secondWord, const QString& minuteWord, qint64 done,
                       qint64 total)
{
    return TimeTextFromKey(TimeKey(elapsed, done, total), secondWord, minuteWord);
}
