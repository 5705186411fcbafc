#include "platform/UrlParser.h"

#include "platform/CurlHandles.h"

#include <curl/curl.h>

namespace {

// One part as text; empty when the URL has no such part.
QString Part(CURLU* url, CURLUPart part, unsigned int flags)
{
    char* text = nullptr;
    if (curl_url_get(url, part, &text, flags) != CURLUE_OK)
        return {};
    const QString result = QString::fromUtf8(text);
    curl_free(text);
    return result;
}

} // namespace

TUrlParts ParseUrl(const QString& url)
{
    // QByteArray stops at a NUL for libcurl; such a URL is no URL at all.
    if (url.contains(QChar(0)))
        return {};
    const TCurlUrl handle(curl_url());
    // The flags libcurl itself uses for a transfer's URL.
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.toUtf8().constData(),
                                CURLU_GUESS_SCHEME | CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return {};
    TUrlParts parts;
    parts.Valid = true;
    parts.Scheme = Part(handle.get(), CURLUPART_SCHEME, 0);
    parts.Host = Part(handle.get(), CURLUPART_HOST, 0).toLower();
    parts.Port = Part(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT).toInt();
    parts.UserName = Part(handle.get(), CURLUPART_USER, CURLU_URLDECODE);
    return parts;
}
