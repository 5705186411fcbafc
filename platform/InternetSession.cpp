#include "platform/InternetSession.h"

#include "platform/UrlParser.h"

#include <curl/curl.h>

#include <mutex>

namespace {

constexpr int DefaultProxyLookupMs = 10000;

void InitialiseClientOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

TInternetSession::TInternetSession(const QString& agent, const QString& proxy)
    : FAgent(agent)
    , FProxy(proxy)
{
    InitialiseClientOnce();
    FShare.reset(curl_share_init());
    if (FShare) {
        // No lock functions: the session stays on one thread (see the header).
        curl_share_setopt(FShare.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(FShare.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        curl_share_setopt(FShare.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    }
}

TInternetSession::~TInternetSession() = default;

TProxyLookup TInternetSession::ProxiesFor(const QString& url, const std::function<bool()>& onWait)
{
    if (!FProxy.isEmpty())
        return {TProxyLookup::TOutcome::Answered, {FProxy}};
    const TUrlParts parts = ParseUrl(url);
    const QString key = parts.Scheme + QLatin1String("://") + parts.Host;
    if (const auto known = FSystemProxies.constFind(key); known != FSystemProxies.cend())
        return *known;
    const TProxyLookup lookup = TSystemProxy::Lookup(url, ProxyLookupLimitMs(), onWait);
    if (lookup.Outcome != TProxyLookup::TOutcome::Cancelled)
        FSystemProxies.insert(key, lookup);
    return lookup;
}

int TInternetSession::ProxyLookupLimitMs() const
{
    return FConnectTimeoutMs > 0 ? FConnectTimeoutMs : DefaultProxyLookupMs;
}

void TInternetSession::SetProxyCredentials(const QString& userName, const QString& password)
{
    FProxyLogin = {userName, password};
}

void TInternetSession::SetProxyLogin(const QString& proxyName, const QString& userName, const QString& password)
{
    FProxyLogins.insert(proxyName, {userName, password});
}

TProxyLogin TInternetSession::ProxyLoginFor(const QString& proxyName) const
{
    return FProxyLogins.value(proxyName, FProxyLogin);
}

void TInternetSession::SetTimeouts(int connectMs, int sendMs, int receiveMs)
{
    FConnectTimeoutMs = connectMs;
    FSendTimeoutMs = sendMs;
    FReceiveTimeoutMs = receiveMs;
}
