// URL decoding and splitting: any text in, the parts keep their promises.
#include "fuzz/FuzzInput.h"
#include "webcopy/UrlHelpers.h"

#include <QUrl>

namespace {

bool ContainsAny(const QString& text, const char16_t* characters)
{
    for (; *characters; ++characters) {
        if (text.contains(QChar(*characters)))
            return true;
    }
    return false;
}

void CheckDecoding(const QString& text)
{
    const QString decoded = URLDecode(text);
    Require(decoded.size() <= text.size(), "decoding never lengthens a text");
    Require(text.contains(QLatin1Char('%')) || decoded == text, "a text without escapes stays as it is");
    Require(!HasUnpairedSurrogate(decoded) || HasUnpairedSurrogate(text), "decoding makes no unpaired surrogate");

    // Every character escaped as UTF-8 comes back as it was (the text has no unpaired
    // surrogates: it was read from UTF-8).
    const QString plain = QString::fromUtf8(text.toUtf8());
    Require(URLDecode(QString::fromLatin1(QUrl::toPercentEncoding(plain))) == plain, "UTF-8 escapes round-trip");
}

void CheckParts(const QString& url)
{
    const QString fileName = ExtractURLFileName(url);
    Require(url.endsWith(fileName) && !ContainsAny(fileName, u"/\\"), "the last segment has no delimiter");

    const QString host = ExtractURLHost(url);
    Require(!ContainsAny(host, u"/\\@"), "the prompt's host has no path and no user information");

    const QString server = GetURLServer(url);
    Require(!ContainsAny(server, u"/?#@"), "the server has no path, query or user information");
    Require(GetURLPath(url).startsWith(QLatin1Char('/')), "a path starts with /");

    const QString withCredentials = AddProxyCredentials(url, QStringLiteral("user@corp"), QStringLiteral("p:w"));
    Require(GetURLServer(withCredentials) == server && GetURLPath(withCredentials) == GetURLPath(url),
            "proxy credentials change neither server nor path");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFuzzInput input(data, size);
    const bool utf16 = input.Take<uint8_t>() & 1;
    const QString text = utf16 ? input.RestAsUtf16() : input.RestAsUtf8();
    CheckDecoding(text);
    CheckParts(text);
    CheckParts(URLDecode(text));
    return 0;
}
