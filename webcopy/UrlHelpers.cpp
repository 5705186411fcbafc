#include "webcopy/UrlHelpers.h"

namespace {

QString WithoutScheme(const QString& url)
{
    const qsizetype schemeEnd = url.indexOf(QLatin1String("://"));
    return schemeEnd < 0 ? url : url.mid(schemeEnd + 3);
}

QString WithoutUserInfo(const QString& authority)
{
    return authority.mid(authority.lastIndexOf(QLatin1Char('@')) + 1);
}

// Where the server part of a URL without its scheme ends: at the first "/", "?" or "#".
qsizetype ServerPartEnd(const QString& rest)
{
    qsizetype end = 0;
    while (end < rest.size() && rest[end] != QLatin1Char('/') && rest[end] != QLatin1Char('?')
           && rest[end] != QLatin1Char('#'))
        ++end;
    return end;
}

int HexDigitValue(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return c.unicode() - '0';
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        return c.unicode() - 'A' + 10;
    return -1;
}

// The byte of the escape at text[at] ("%XY", upper-case digits), or -1 when there is none.
int EscapedByte(const QString& text, qsizetype at)
{
    if (text[at] != QLatin1Char('%') || at + 2 >= text.size())
        return -1;
    const int high = HexDigitValue(text[at + 1]);
    const int low = HexDigitValue(text[at + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

struct TUtf8Sequence {
    int Length = 0; // 0: no well-formed sequence
    char32_t CodePoint = 0;
};

// The well-formed UTF-8 sequence at the start of the bytes (RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF).
TUtf8Sequence ReadUtf8Sequence(const uchar* bytes, qsizetype available)
{
    const uchar lead = bytes[0];
    if (lead < 0x80)
        return {1, lead};
    int length = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else
        return {};
    if (available < length)
        return {};
    const uchar secondMin = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const uchar secondMax = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (bytes[1] < secondMin || bytes[1] > secondMax)
        return {};
    char32_t codePoint = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if (bytes[i] < 0x80 || bytes[i] > 0xBF)
            return {};
        codePoint = codePoint << 6 | (bytes[i] & 0x3F);
    }
    return {length, codePoint};
}

// Bytes read as UTF-8; a byte that starts no well-formed sequence stands for its Latin-1
// character, so that names from servers that do not speak UTF-8 keep their letters. Every
// character is kept, a leading U+FEFF included.
void AppendUtf8OrLatin1(QString& result, const QByteArray& bytes)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    for (qsizetype i = 0; i < bytes.size();) {
        const TUtf8Sequence sequence = ReadUtf8Sequence(data + i, bytes.size() - i);
        if (sequence.Length == 0) {
            result += QChar(char16_t(data[i]));
            ++i;
            continue;
        }
        if (QChar::requiresSurrogates(sequence.CodePoint)) {
            result += QChar(QChar::highSurrogate(sequence.CodePoint));
            result += QChar(QChar::lowSurrogate(sequence.CodePoint));
        } else {
            result += QChar(char16_t(sequence.CodePoint));
        }
        i += sequence.Length;
    }
}

} // namespace

QString URLDecode(const QString& text)
{
    QString result;
    result.reserve(text.size());
    QByteArray bytes; // the run of escapes being decoded
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int byte = EscapedByte(text, i);
        if (byte >= 0) {
            bytes += char(byte);
            i += 2;
            continue;
        }
        AppendUtf8OrLatin1(result, bytes);
        bytes.clear();
        result += text[i]; // a broken escape stays as written
    }
    AppendUtf8OrLatin1(result, bytes);
    return result;
}

QString ExtractURLFileName(const QString& url)
{
    const QString afterSlash = url.mid(url.lastIndexOf(QLatin1Char('/')) + 1);
    return afterSlash.mid(afterSlash.lastIndexOf(QLatin1Char('\\')) + 1);
}

QString ExtractURLHost(const QString& url)
{
    // left() of a negative count keeps the whole text: a missing delimiter cuts nothing.
    QString host = WithoutScheme(url);
    host = host.left(host.indexOf(QLatin1Char('/')));
    host = host.left(host.indexOf(QLatin1Char('\\')));
    return WithoutUserInfo(host);
}

QString BackslashToSlash(const QString& text)
{
    QString result = text;
    return result.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

QString GetURLServer(const QString& url)
{
    const QString rest = WithoutScheme(url);
    return WithoutUserInfo(rest.left(ServerPartEnd(rest)));
}

QString GetURLPath(const QString& url)
{
    const QString rest = WithoutScheme(url);
    const QString path = rest.mid(ServerPartEnd(rest));
    return path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path;
}

QString AddProxyCredentials(const QString& url, const QString& proxyUser, const QString& proxyPassword)
{
    const QLatin1String scheme("http://");
    if (!url.startsWith(scheme, Qt::CaseInsensitive) || proxyUser.isEmpty() || proxyPassword.isEmpty())
        return url;
    return scheme + proxyUser + QLatin1Char(':') + proxyPassword + QLatin1Char('@') + url.mid(scheme.size());
}
