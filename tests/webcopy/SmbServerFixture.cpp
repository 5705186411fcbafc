#include "tests/webcopy/SmbServerFixture.h"

#include "tests/support/WaitFor.h"

#include <QDir>

namespace {

constexpr int StartTimeoutMs = 60000;
constexpr int StopTimeoutMs = 20000;
constexpr int SkipExitCode = 77;

} // namespace

TSmbServerFixture::~TSmbServerFixture()
{
    Stop();
}

TSmbServerFixture::TStart TSmbServerFixture::Start(const QString& password)
{
    if (!FRoot.isValid() || !QDir(FRoot.path()).mkpath(QStringLiteral("share"))) {
        FMessage = QStringLiteral("cannot make a temporary directory");
        return TStart::Failed;
    }
    FProcess.setProgram(QStringLiteral("python3"));
    FProcess.setArguments({QStringLiteral(ORVANTA_TEST_SERVERS_DIR "/smb_server.py"), QStringLiteral("--root"),
                           FRoot.filePath(QStringLiteral("server")), QStringLiteral("--share"), ShareDirectory(),
                           QStringLiteral("--password"), password});
    FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    FProcess.start();

    QByteArray line;
    if (!WaitForLine(line, StartTimeoutMs)) {
        FMessage = QStringLiteral("the SMB server script gave no answer");
        Stop();
        return FProcess.exitCode() == SkipExitCode ? TStart::Skipped : TStart::Failed;
    }
    const QList<QByteArray> words = line.trimmed().split(' ');
    if (words.value(0) == "READY" && words.size() == 3) {
        FPort = quint16(words.at(1).toUInt());
        FUserName = QString::fromUtf8(words.at(2));
        return TStart::Running;
    }
    FMessage = QString::fromUtf8(line.trimmed());
    const bool skipped = words.value(0) == "SKIP";
    Stop();
    return skipped ? TStart::Skipped : TStart::Failed;
}

QString TSmbServerFixture::ShareName() const
{
    return QStringLiteral("smb://127.0.0.1:%1/files").arg(FPort);
}

bool TSmbServerFixture::Crash()
{
    FProcess.write("crash\n");
    QByteArray line;
    return WaitForLine(line, StopTimeoutMs) && line.trimmed() == "CRASHED";
}

void TSmbServerFixture::Stop()
{
    if (FProcess.state() == QProcess::NotRunning)
        return;
    FProcess.write("stop\n");
    FProcess.closeWriteChannel();
    if (!testsupport::waitFor([this] { return FProcess.state() == QProcess::NotRunning; }, StopTimeoutMs)) {
        FProcess.kill();
        FProcess.waitForFinished(StopTimeoutMs);
    }
}

bool TSmbServerFixture::WaitForLine(QByteArray& line, int timeoutMs)
{
    const bool ready = testsupport::waitFor(
        [this] { return FProcess.canReadLine() || FProcess.state() == QProcess::NotRunning; }, timeoutMs);
    if (!ready || !FProcess.canReadLine())
        return false;
    line = FProcess.readLine();
    return true;
}
