// The progress texts' arithmetic: rounding divisions saturate and keys order like amounts.
#include "fuzz/FuzzInput.h"
#include "webcopy/ProgressFormat.h"

#include <limits>

namespace {

constexpr qint64 Max = std::numeric_limits<qint64>::max();
constexpr qint64 Min = std::numeric_limits<qint64>::min();

void CheckDivision(qint64 num, qint64 factor, qint64 den)
{
    __extension__ using TInt128 = __int128;
    const qint64 quotient = MulDivRoundHalfEven(num, factor, den);
    const TInt128 product = TInt128(num) * factor;
    if (den == 0) {
        Require(quotient == (product > 0 ? Max : product < 0 ? Min : 0), "a division by 0 saturates");
        return;
    }
    // Unless saturated, the quotient is within half a divisor of the exact one: the distance
    // |product - quotient * den| is at most |den| / 2.
    const TInt128 distance = product - TInt128(quotient) * den;
    const TInt128 absDistance = distance < 0 ? -distance : distance;
    const TInt128 absDen = den < 0 ? -TInt128(den) : TInt128(den);
    if (quotient != Max && quotient != Min)
        Require(2 * absDistance <= absDen, "the quotient is rounded to the nearest");
    if (2 * absDistance == absDen)
        Require(quotient % 2 == 0 || quotient == Max || quotient == Min, "halves go to the even neighbour");
    if (factor == 1)
        Require(DivRoundHalfEven(num, den) == quotient, "a division is a product with 1");
}

void CheckTexts(qint64 n, quint32 elapsed, qint64 done, qint64 total)
{
    if (n < Max)
        Require(AmountKey(n) <= AmountKey(n + 1), "keys grow with the amount");
    Require(!FormatSizeText(n).isEmpty() && !FormatRateText(n).isEmpty(), "every amount has a text");
    const QString word = QStringLiteral("w");
    Require(!FormatTimeText(elapsed, word, word, done, total).isEmpty(), "every time has a text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFuzzInput input(data, size);
    const auto a = input.Take<qint64>(), b = input.Take<qint64>(), c = input.Take<qint64>();
    CheckDivision(a, b, c);
    CheckDivision(a, 1, c);
    CheckDivision(a, 100, b); // the progress bar's percentage
    CheckTexts(a, input.Take<quint32>(), b, c);
    return 0;
}
