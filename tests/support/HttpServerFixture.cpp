#include "tests/support/HttpServerFixture.h"

#include "tests/support/SelfSignedCertificate.h"

#include <QDir>

THttpServerFixture::~THttpServerFixture()
{
    Stop();
}

bool THttpServerFixture::Start(TScheme scheme)
{
    if (!FRoot.isValid() || !QDir(FRoot.path()).mkpath(QStringLiteral("docroot"))) {
        FMessage = QStringLiteral("cannot make a temporary directory");
        return false;
    }
    QStringList arguments{QStringLiteral("--docroot"), DocRoot(),
                          QStringLiteral("--log"), FRoot.filePath(QStringLiteral("requests.jsonl"))};
    FScheme = QStringLiteral("http");
    if (scheme == TScheme::Https) {
        if (!MakeCertificate())
            return false;
        FScheme = QStringLiteral("https");
        arguments << QStringLiteral("--cert") << FCaFile << QStringLiteral("--key")
                  << FRoot.filePath(QStringLiteral("key.pem"));
    }
    FPort = FServer.Start(QStringLiteral("http_server.py"), arguments);
    FMessage = FServer.Message();
    return FPort != 0;
}

bool THttpServerFixture::MakeCertificate()
{
    TSelfSignedCertificate certificate;
    const bool made = certificate.Make(FRoot.path());
    FCaFile = certificate.CertificateFile();
    FMessage = certificate.Message();
    return made;
}

QString THttpServerFixture::BaseUrl() const
{
    return QStringLiteral("%1://127.0.0.1:%2").arg(FScheme).arg(FPort);
}

QList<QJsonObject> THttpServerFixture::Requests() const
{
    return TScriptServer::ReadRecords(FRoot.filePath(QStringLiteral("requests.jsonl")));
}

void THttpServerFixture::Stop()
{
    FServer.Stop();
}
