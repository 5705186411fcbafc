#include "bench/SmbServer.h"

#include "tests/support/WaitFor.h"

namespace {

// smbpasswd and smbd's own start, on a machine that several people share.
constexpr int StartTimeoutMs = 60000;
constexpr int StopTimeoutMs = 20000;
const QString ShareName = QStringLiteral("files");

} // namespace

TSmbServer::~TSmbServer()
{
    Stop();
}

bool TSmbServer::Start(const QString& stateDir, const QString& shareDir, const QString& password)
{
    FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    FProcess.start(QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral(ORVANTA_TEST_SERVERS_DIR "/smb_server.py"), QStringLiteral("--root"), stateDir,
                    QStringLiteral("--share"), shareDir, QStringLiteral("--password"), password});
    // "READY <port> <user>", or "SKIP <why>" / "ERROR <why>" before the script exits.
    const bool answered = testsupport::waitFor(
        [this] { return FProcess.canReadLine() || FProcess.state() == QProcess::NotRunning; }, StartTimeoutMs);
    const QByteArray line = answered && FProcess.canReadLine() ? FProcess.readLine().trimmed() : QByteArray();
    const QList<QByteArray> words = line.split(' ');
    if (words.size() == 3 && words.at(0) == "READY") {
        FPort = quint16(words.at(1).toUInt());
        FUserName = QString::fromUtf8(words.at(2));
        return true;
    }
    FMessage = line.isEmpty() ? QStringLiteral("smb_server.py said nothing within %1 s").arg(StartTimeoutMs / 1000)
                              : QStringLiteral("smb_server.py: ") + QString::fromUtf8(line);
    Stop();
    return false;
}

QString TSmbServer::ShareUrl() const
{
    return QStringLiteral("smb://127.0.0.1:%1/").arg(FPort) + ShareName;
}

QString TSmbServer::ServiceName()
{
    return QStringLiteral("//127.0.0.1/") + ShareName;
}

void TSmbServer::Stop()
{
    if (FProcess.state() == QProcess::NotRunning)
        return;
    // The end of its input stops the script, which stops smbd with every child it forked.
    FProcess.closeWriteChannel();
    if (!FProcess.waitForFinished(StopTimeoutMs)) {
        FProcess.kill();
        FProcess.waitForFinished(StopTimeoutMs);
    }
}

QString TSmbServer::Version()
{
    QProcess smbd;
    smbd.setProcessChannelMode(QProcess::MergedChannels);
    smbd.start(QStringLiteral("/usr/sbin/smbd"), {QStringLiteral("--version")});
    smbd.waitForFinished(StopTimeoutMs);
    const QString said = QString::fromUtf8(smbd.readAll()).trimmed();
    return QStringLiteral("smbd ") + (said.startsWith(QLatin1String("Version ")) ? said.mid(8) : QStringLiteral("(version unknown)"));
}
