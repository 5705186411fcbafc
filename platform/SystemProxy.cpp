#include "platform/SystemProxy.h"

#include "platform/CurlHandles.h"
#include "platform/ProxyResolverThread.h"

#include <curl/curl.h>

#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <memory>

namespace {

const QString Direct = QStringLiteral("direct://");
// Short enough that the asker's window stays responsive and a Cancel acts within 100 ms.
constexpr qint64 WaitSliceMs = 25;

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

// libproxy's list in its order, reduced to what libcurl can use; an answer without any entry is
// libproxy's way of saying "direct" too.
QStringList UsableProxies(const QStringList& answer)
{
    if (answer.isEmpty())
        return {QString()};
    QStringList usable;
    for (const QString& candidate : answer) {
        const QString proxy = candidate == Direct ? QString() : candidate;
        if ((proxy.isEmpty() || IsUsable(proxy)) && !usable.contains(proxy))
            usable << proxy;
    }
    return usable;
}

} // namespace

TProxyLookup TSystemProxy::Lookup(const QString& url, int deadlineMs, const std::function<bool()>& onWait)
{
    // A URL that cannot be taken apart is refused by the request itself.
    const QByteArray lookupUrl = LookupUrl(url);
    if (lookupUrl.isEmpty())
        return {TProxyLookup::TOutcome::Answered, {QString()}};
    const auto question = std::make_shared<TProxyQuestion>(lookupUrl);
    TProxyResolverThread::Ask(question);
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        {
            std::unique_lock<std::mutex> locked(question->Lock);
            const qint64 leftMs = std::max<qint64>(deadlineMs - clock.elapsed(), 0);
            question->Answered.wait_for(locked, std::chrono::milliseconds(std::min<qint64>(leftMs, WaitSliceMs)),
                                        [&question] { return question->Done; });
            if (question->Done)
                return {TProxyLookup::TOutcome::Answered, UsableProxies(question->Answer)};
        }
        if (clock.elapsed() >= deadlineMs)
            return {TProxyLookup::TOutcome::TimedOut, {QString()}};
        if (onWait && !onWait())
            return {TProxyLookup::TOutcome::Cancelled, {}};
    }
}
