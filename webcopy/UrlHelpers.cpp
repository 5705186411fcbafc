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

} // namespace

QString URLDecode(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('%')) {
            result += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            continue; // a "%" too close to the end is dropped on its own
        const int high = HexDigitValue(text[i + 1]);
        const int low = HexDigitValue(text[i + 2]);
        if (high >= 0 && low >= 0)
            result += QChar(char16_t(high * 16 + low));
        i += 2;
    }
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
