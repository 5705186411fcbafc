#pragma once

#include "platform/CurlHandles.h"
#include "platform/SystemProxy.h"

#include <QHash>
#include <QString>

#include <functional>

// One Internet session of a copy run: the user agent, the proxy (a named one, else the
// system's configuration) and the time-outs that every request of the run inherits. Requests
// made through it share connections, name lookups and TLS sessions.
//
// Threads: the shared connection cache has no locks, so the session and every request made
// through it belong to the user-interface thread that runs the copy run; no other thread may
// create, use or destroy them.
struct TProxyLogin {
    QString UserName;
    QString Password;
};

class TInternetSession {
public:
    TInternetSession(const QString& agent, const QString& proxy);
    ~TInternetSession();
    TInternetSession(const TInternetSession&) = delete;
    TInternetSession& operator=(const TInternetSession&) = delete;

    const QString& Agent() const { return FAgent; }
    // The named proxy; empty to follow the system's configuration.
    const QString& Proxy() const { return FProxy; }
    // The proxies for a request to the URL, to be tried in order: Proxy() when it is set, else
    // those the system's configuration names (see TSystemProxy; an empty entry is a direct
    // connection). The system's lookup waits at most the connect time-out (10 s when it is 0),
    // calling onWait meanwhile; its answer is kept for the session per scheme and host, so a
    // slow script costs once (a cancelled lookup is not kept).
    TProxyLookup ProxiesFor(const QString& url, const std::function<bool()>& onWait);
    // The connect time-out, 10 s when it is 0.
    int ProxyLookupLimitMs() const;

    // The proxy's user name and password for every proxy of the session; they go to a proxy
    // only, never to a server.
    void SetProxyCredentials(const QString& userName, const QString& password);
    // A login for the one proxy "host:port" (typed when it asked), in place of the session's
    // for that proxy. Kept in memory for the session only.
    void SetProxyLogin(const QString& proxyName, const QString& userName, const QString& password);
    // The login that goes to the proxy "host:port"; an empty user name for none.
    TProxyLogin ProxyLoginFor(const QString& proxyName) const;

    // Milliseconds; 0 leaves the client's own limits in force.
    void SetTimeouts(int connectMs, int sendMs, int receiveMs);
    int ConnectTimeoutMs() const { return FConnectTimeoutMs; }
    int SendTimeoutMs() const { return FSendTimeoutMs; }
    int ReceiveTimeoutMs() const { return FReceiveTimeoutMs; }

    // A certificate file trusted in addition to the system store (a test server's own
    // certificate); empty for the system store alone.
    void SetCaFile(const QString& path) { FCaFile = path; }
    const QString& CaFile() const { return FCaFile; }

    // The client's shared state for the requests of this session (opaque outside platform/).
    void* SharedState() const { return FShare.get(); }

private:
    QString FAgent;
    QString FProxy;
    TProxyLogin FProxyLogin;
    QHash<QString, TProxyLogin> FProxyLogins;  // by "host:port" of the proxy
    QString FCaFile;
    int FConnectTimeoutMs = 0;
    int FSendTimeoutMs = 0;
    int FReceiveTimeoutMs = 0;
    TCurlShare FShare;
    QHash<QString, TProxyLookup> FSystemProxies;  // by "scheme://host" of the URL
};
