#pragma once

#include "tests/support/ScriptServer.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QTemporaryDir>

// tests/servers/http_server.py on 127.0.0.1 with a port the system picked, for one test: a
// document root in a temporary directory and every request recorded (see the script for its
// routes and the recorded fields). With TLS it uses a throw-away certificate for 127.0.0.1 and
// localhost that no system trusts. Stopped when the fixture goes.
class THttpServerFixture {
public:
    enum class TScheme { Http, Https };

    THttpServerFixture() = default;
    ~THttpServerFixture();
    THttpServerFixture(const THttpServerFixture&) = delete;
    THttpServerFixture& operator=(const THttpServerFixture&) = delete;

    // False when the certificate or the server could not be made; Message() says why.
    bool Start(TScheme scheme = TScheme::Http);
    QString Message() const { return FMessage; }

    // "http://127.0.0.1:<port>" or "https://..." without a trailing slash.
    QString BaseUrl() const;
    quint16 Port() const { return FPort; }
    // The certificate to trust for this server; empty without TLS.
    QString CaFile() const { return FCaFile; }
    QString DocRoot() const { return FRoot.filePath(QStringLiteral("docroot")); }
    // What the server recorded so far, one object per request, oldest first.
    QList<QJsonObject> Requests() const;

    void Stop();

private:
    bool MakeCertificate();

    QTemporaryDir FRoot;
    TScriptServer FServer;
    QString FMessage;
    QString FScheme;
    QString FCaFile;
    quint16 FPort = 0;
};
