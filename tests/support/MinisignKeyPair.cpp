#include "tests/support/MinisignKeyPair.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

constexpr int MinisignTimeoutMs = 30000;
const QString Minisign = QStringLiteral("/usr/bin/minisign");

} // namespace

bool TMinisignKeyPair::Make(const QString& directory, const QString& name)
{
    FSecretKeyFile = QDir(directory).filePath(name + QStringLiteral(".key"));
    const QString publicKeyFile = QDir(directory).filePath(name + QStringLiteral(".pub"));
    if (!Run({QStringLiteral("-G"), QStringLiteral("-W"), QStringLiteral("-p"), publicKeyFile, QStringLiteral("-s"),
              FSecretKeyFile}))
        return false;
    QFile publicKey(publicKeyFile);
    if (!publicKey.open(QIODevice::ReadOnly)) {
        FMessage = QStringLiteral("minisign wrote no public key file");
        return false;
    }
    const QList<QByteArray> lines = publicKey.readAll().split('\n');
    FPublicKeyLine = lines.size() > 1 ? lines[1].trimmed() : QByteArray();
    return !FPublicKeyLine.isEmpty();
}

bool TMinisignKeyPair::Sign(const QString& file, const QString& signatureFile, const QString& trustedComment,
                            TForm form)
{
    QStringList arguments {QStringLiteral("-S"), QStringLiteral("-s"), FSecretKeyFile, QStringLiteral("-m"), file,
                           QStringLiteral("-x"), signatureFile, QStringLiteral("-t"), trustedComment};
    if (form == TForm::Legacy)
        arguments << QStringLiteral("-l");
    return Run(arguments);
}

bool TMinisignKeyPair::Run(const QStringList& arguments)
{
    QProcess minisign;
    minisign.setProcessChannelMode(QProcess::MergedChannels);
    minisign.setStandardInputFile(QProcess::nullDevice());
    minisign.start(Minisign, arguments);
    if (!minisign.waitForFinished(MinisignTimeoutMs) || minisign.exitStatus() != QProcess::NormalExit
        || minisign.exitCode() != 0) {
        FMessage = QStringLiteral("minisign %1 failed: %2 %3")
                       .arg(arguments.join(QLatin1Char(' ')), minisign.errorString(), QString::fromUtf8(minisign.readAll()));
        return false;
    }
    return true;
}
