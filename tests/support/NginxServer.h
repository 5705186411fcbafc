#pragma once

#include "tests/support/ReservedPort.h"

#include <QProcess>
#include <QString>

// nginx serving one directory on 127.0.0.1 over HTTP and, from a second server block, over
// HTTPS, on ports the system picked. It runs in the foreground as a single process (no master,
// no daemon) from a configuration generated in its work directory, which also takes its pid
// file, error log and temporary files. Stopped when it goes.
class TNginxServer {
public:
    TNginxServer() = default;
    ~TNginxServer();
    TNginxServer(const TNginxServer&) = delete;
    TNginxServer& operator=(const TNginxServer&) = delete;

    // False when it did not come up in time; Message() says why.
    bool Start(const QString& workDir, const QString& root, const QString& certificate, const QString& key);
    QString Message() const { return FMessage; }
    quint16 HttpPort() const { return FHttp.Port(); }
    quint16 HttpsPort() const { return FHttps.Port(); }
    // "nginx 1.22.1", as `nginx -v` says.
    static QString Version();
    void Stop();

private:
    bool WaitUntilServing();

    // Taken over by nginx, which binds with SO_REUSEADDR while these only hold the ports.
    TReservedPort FHttp;
    TReservedPort FHttps;
    QProcess FProcess;
    QString FMessage;
};
