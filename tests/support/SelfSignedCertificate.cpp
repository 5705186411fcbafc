#include "tests/support/SelfSignedCertificate.h"

#include <QDir>
#include <QProcess>

namespace {

constexpr int CertificateTimeoutMs = 30000;

} // namespace

bool TSelfSignedCertificate::Make(const QString& directory)
{
    FCertificateFile = QDir(directory).filePath(QStringLiteral("cert.pem"));
    FKeyFile = QDir(directory).filePath(QStringLiteral("key.pem"));
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                   QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
                   QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("2"),
                   QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost"),
                   QStringLiteral("-keyout"), FKeyFile, QStringLiteral("-out"), FCertificateFile});
    if (!openssl.waitForFinished(CertificateTimeoutMs) || openssl.exitStatus() != QProcess::NormalExit
        || openssl.exitCode() != 0) {
        FMessage = QStringLiteral("openssl could not make a certificate: %1")
                       .arg(QString::fromUtf8(openssl.readAll()));
        return false;
    }
    return true;
}
