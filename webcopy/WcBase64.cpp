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

QString EncodeBase64Bytes(const QByteArray& bytes)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    QString result;
    result.reserve((bytes.size() + 2) / 3 * 4);
    for (qsizetype start = 0; start < bytes.size(); start += 3)
        result += EncodeBase64Block(data + start, int(qMin<qsizetype>(3, bytes.size() - start)));
    return result;
}

QString EncodeBase64(const QString& text)
{
    return EncodeBase64Bytes(text.toUtf8());
}
