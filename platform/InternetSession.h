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

    // The proxy's user name and password; they go to the proxy only, never to a server.
    void SetProxyCredentials(const QString& userName, const QString& password);
    const QString& ProxyUserName() const { return FProxyUserName; }
    const QString& ProxyPassword() const { return FProxyPassword; }

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
    QString FProxyUserName;
    QString FProxyPassword;
    QString FCaFile;
    int FConnectTimeoutMs = 0;
    int FSendTimeoutMs = 0;
    int FReceiveTimeoutMs = 0;
    TCurlShare FShare;
    QHash<QString, TProxyLookup> FSystemProxies;  // by "scheme://host" of the URL
};
