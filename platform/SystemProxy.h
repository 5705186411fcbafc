#pragma once

#include <QString>

#include <optional>

// The proxy that the system's configuration names for a URL, as libproxy resolves it: the
// environment (http_proxy, https_proxy, no_proxy), the desktop's settings, a PAC file or WPAD.
// One resolver serves the whole process: it is made at the first question, which is slow (it
// loads its configuration modules), keeps what it fetched (a PAC file) for the later ones, and
// is never freed, because freeing it unloads the PAC runner under threads that the runner's
// script engine leaves behind. Ask once per request, never per block; any thread may ask.
class TSystemProxy {
public:
    TSystemProxy() = delete;

    // The first proxy named for the URL that the client can use, as libcurl takes it
    // ("http://host:port", "socks5://host:port"); empty for a direct connection; nullopt
    // when the configuration names only proxies of kinds the client does not speak.
    static std::optional<QString> ProxyFor(const QString& url);
};
