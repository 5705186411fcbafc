#include "tests/support/HttpServerFixture.h"

#include "tests/support/WaitFor.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

namespace {

constexpr int StartTimeoutMs = 20000;
constexpr int StopTimeoutMs = 10000;
constexpr int CertificateTimeoutMs = 30000;

const QString Python = QStringLiteral("/usr/bin/python3");

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
    QStringList arguments{QStringLiteral(ORVANTA_TEST_SERVERS_DIR "/http_server.py"),
                          QStringLiteral("--docroot"), DocRoot(),
                          QStringLiteral("--log"), FRoot.filePath(QStringLiteral("requests.jsonl"))};
    FScheme = QStringLiteral("http");
    if (scheme == TScheme::Https) {
        if (!MakeCertificate())
            return false;
        FScheme = QStringLiteral("https");
        arguments << QStringLiteral("--cert") << FCaFile << QStringLiteral("--key")
                  << FRoot.filePath(QStringLiteral("key.pem"));
    }
    FProcess.setProgram(Python);
    FProcess.setArguments(arguments);
    FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    FProcess.start();

    const bool answered = testsupport::waitFor(
        [this] { return FProcess.canReadLine() || FProcess.state() == QProcess::NotRunning; }, StartTimeoutMs);
    const QByteArray line = answered ? FProcess.readLine().trimmed() : QByteArray();
    if (!line.startsWith("PORT ")) {
        FMessage = QStringLiteral("the HTTP server did not start: %1").arg(QString::fromUtf8(line));
        Stop();
        return false;
    }
    FPort = quint16(line.mid(5).toUInt());
    return true;
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
    QFile log(FRoot.filePath(QStringLiteral("requests.jsonl")));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QList<QJsonObject> requests;
    for (const QByteArray& line : log.readAll().split('\n')) {
        if (!line.isEmpty())
            requests.append(QJsonDocument::fromJson(line).object());
    }
    return requests;
}

void THttpServerFixture::Stop()
{
    if (FProcess.state() == QProcess::NotRunning)
        return;
    FProcess.closeWriteChannel();
    if (!testsupport::waitFor([this] { return FProcess.state() == QProcess::NotRunning; }, StopTimeoutMs)) {
        FProcess.kill();
        FProcess.waitForFinished(StopTimeoutMs);
    }
}
