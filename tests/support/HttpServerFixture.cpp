#include "tests/support/HttpServerFixture.h"

#include <QDir>

namespace {

constexpr int CertificateTimeoutMs = 30000;

} // namespace

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
    FCaFile = FRoot.filePath(QStringLiteral("cert.pem"));
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                   QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
                   QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("2"),
                   QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost"),
                   QStringLiteral("-keyout"), FRoot.filePath(QStringLiteral("key.pem")),
                   QStringLiteral("-out"), FCaFile});
    if (!openssl.waitForFinished(CertificateTimeoutMs) || openssl.exitStatus() != QProcess::NormalExit
        || openssl.exitCode() != 0) {
        FMessage = QStringLiteral("openssl could not make a certificate: %1")
                       .arg(QString::fromUtf8(openssl.readAll()));
        return false;
    }
    return true;
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
