#pragma once

#include "platform/CurlHandles.h"

#include <QString>

#include <optional>

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
    // The proxy for a request to the URL: Proxy() when it is set, else the one the system's
    // configuration names (see TSystemProxy), empty for a direct connection; nullopt when the
    // configuration names only proxies that the client cannot use.
    std::optional<QString> ProxyFor(const QString& url) const;

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
};
