#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// What the system's configuration says about the proxies for one URL.
struct TProxyLookup {
    enum class TOutcome {
        Answered,
        TimedOut,   // the configuration (a PAC file or script) did not answer in time: direct
        Cancelled,  // the asker's OnWait said stop
    };
    TOutcome Outcome = TOutcome::Answered;
    // The proxies to try in this order, as libcurl takes them ("http://host:port",
    // "socks5://host:port"); an empty entry is a direct connection. Empty when the configuration
    // names only proxies of kinds the client does not speak (and no direct connection).
    QStringList Proxies;
};

// The proxies that the system's configuration names for a URL, as libproxy resolves them: the
// environment (http_proxy, https_proxy, no_proxy), the desktop's settings, a PAC file or WPAD.
// The resolver runs on a thread of its own (see TProxyResolverThread), because a PAC file can
// take any time to arrive and its script any time to run; the asker waits at most the
// deadline, calling onWait all the while. Any thread may ask; ask once per request at most,
// never per block.
class TSystemProxy {
public:
    TSystemProxy() = delete;

    // Waits at most deadlineMs (> 0); onWait is called at least every ~25 ms while the answer
    // is outstanding, and returning false stops the wait at once (Cancelled). A lookup that
    // does not end in time is taken as libproxy takes a PAC file it cannot fetch: direct.
    static TProxyLookup Lookup(const QString& url, int deadlineMs, const std::function<bool()>& onWait);
};
