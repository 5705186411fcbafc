#include "platform/SystemProxy.h"

#include "platform/CurlHandles.h"

#include <curl/curl.h>
#include <proxy.h>

#include <QStringList>

#include <mutex>

namespace {

const QString Direct = QStringLiteral("direct://");

// The proxy kinds libcurl speaks ("socks" is SOCKS4 to both).
bool IsUsable(const QString& proxy)
{
    static const QStringList schemes = {QStringLiteral("http"),    QStringLiteral("https"),
                                        QStringLiteral("socks"),   QStringLiteral("socks4"),
                                        QStringLiteral("socks4a"), QStringLiteral("socks5"),
                                        QStringLiteral("socks5h")};
    const qsizetype end = proxy.indexOf(QLatin1String("://"));
    return end > 0 && schemes.contains(proxy.left(end).toLower());
}

// The URL as the resolver may see it: with the scheme libcurl would guess, without the user's
// credentials and fragment, and for https without path and query, which the connection hides
// from the network too (a PAC file may come from anywhere on it).
QByteArray LookupUrl(const QString& url)
{
    const TCurlUrl handle(curl_url());
    CURLU* const parts = handle.get();
    if (!parts
        || curl_url_set(parts, CURLUPART_URL, url.toUtf8().constData(), CURLU_GUESS_SCHEME | CURLU_NON_SUPPORT_SCHEME)
            != CURLUE_OK)
        return {};
    curl_url_set(parts, CURLUPART_USER, nullptr, 0);
    curl_url_set(parts, CURLUPART_PASSWORD, nullptr, 0);
    curl_url_set(parts, CURLUPART_OPTIONS, nullptr, 0);
    curl_url_set(parts, CURLUPART_FRAGMENT, nullptr, 0);
    char* scheme = nullptr;
    if (curl_url_get(parts, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK && QByteArray(scheme) == "https") {
        curl_url_set(parts, CURLUPART_PATH, "/", 0);
        curl_url_set(parts, CURLUPART_QUERY, nullptr, 0);
    }
    curl_free(scheme);
    char* text = nullptr;
    if (curl_url_get(parts, CURLUPART_URL, &text, 0) != CURLUE_OK)
        return {};
    const QByteArray result(text);
    curl_free(text);
    return result;
}

} // namespace

std::optional<QString> TSystemProxy::ProxyFor(const QString& url)
{
    // A URL that cannot be taken apart is refused by the request itself.
    const QByteArray lookup = LookupUrl(url);
    if (lookup.isEmpty())
        return QString();
    static std::mutex lock;
    const std::lock_guard<std::mutex> locked(lock);
    static pxProxyFactory* const factory = px_proxy_factory_new();
    // Without a resolver, or when it fails, libproxy's own answer would be "direct".
    char** const proxies = factory ? px_proxy_factory_get_proxies(factory, lookup.constData()) : nullptr;
    if (!proxies)
        return QString();
    std::optional<QString> chosen;
    for (char** proxy = proxies; *proxy && !chosen; ++proxy) {
        const QString candidate = QString::fromUtf8(*proxy);
        if (candidate == Direct)
            chosen = QString();
        else if (IsUsable(candidate))
            chosen = candidate;
    }
    px_proxy_factory_free_proxies(proxies);
    return chosen;
}
