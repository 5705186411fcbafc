#include "platform/InternetSession.h"

#include "platform/SystemProxy.h"

#include <curl/curl.h>

#include <mutex>

namespace {

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

std::optional<QString> TInternetSession::ProxyFor(const QString& url) const
{
    if (!FProxy.isEmpty())
        return FProxy;
    return TSystemProxy::ProxyFor(url);
}

void TInternetSession::SetProxyCredentials(const QString& userName, const QString& password)
{
    FProxyUserName = userName;
    FProxyPassword = password;
}

void TInternetSession::SetTimeouts(int connectMs, int sendMs, int receiveMs)
{
    FConnectTimeoutMs = connectMs;
    FSendTimeoutMs = sendMs;
    FReceiveTimeoutMs = receiveMs;
}
