#include "webcopy/WcBase64.h"

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

QString EncodeBase64Block(const uchar* bytes, int count)
{
    Q_ASSERT(count >= 1 && count <= 3);
    const uchar b0 = bytes[0];
    const uchar b1 = count > 1 ? bytes[1] : 0;
    const uchar b2 = count > 2 ? bytes[2] : 0;
    QString block(4, QLatin1Char('='));
    block[0] = QLatin1Char(Alphabet[b0 >> 2]);
    block[1] = QLatin1Char(Alphabet[(b0 & 0x03) << 4 | b1 >> 4]);
    if (count > 1)
        block[2] = QLatin1Char(Alphabet[(b1 & 0x0f) << 2 | b2 >> 6]);
    if (count > 2)
        block[3] = QLatin1Char(Alphabet[b2 & 0x3f]);
    return block;
}

QString EncodeBase64(const QString& text)
{
    QString result;
    result.reserve((text.size() + 2) / 3 * 4);
    for (qsizetype start = 0; start < text.size(); start += 3) {
        const int count = int(qMin<qsizetype>(3, text.size() - start));
        uchar group[3] = {0, 0, 0};
        for (int i = 0; i < count; ++i)
            group[i] = uchar(text[start + i].unicode() & 0xff);
        result += EncodeBase64Block(group, count);
    }
    return result;
}
