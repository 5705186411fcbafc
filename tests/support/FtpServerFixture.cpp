#include "tests/support/FtpServerFixture.h"

#include "tests/support/WaitFor.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

namespace {

constexpr int StartTimeoutMs = 20000;
constexpr int StopTimeoutMs = 10000;

} // namespace

TFtpServerFixture::~TFtpServerFixture()
{
    Stop();
}

bool TFtpServerFixture::Start(const QStringList& options)
{
    if (!FDir.isValid() || !QDir(FDir.path()).mkpath(QStringLiteral("root"))) {
        FMessage = QStringLiteral("cannot make a temporary directory");
        return false;
    }
    FProcess.setProgram(QStringLiteral("/usr/bin/python3"));
    FProcess.setArguments(QStringList{QStringLiteral(ORVANTA_TEST_SERVERS_DIR "/ftp_server.py"),
                                      QStringLiteral("--root"), Root(), QStringLiteral("--log"),
                                      FDir.filePath(QStringLiteral("commands.jsonl"))}
                          + options);
    FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    FProcess.start();
    const bool answered = testsupport::waitFor(
        [this] { return FProcess.canReadLine() || FProcess.state() == QProcess::NotRunning; }, StartTimeoutMs);
    const QByteArray line = answered ? FProcess.readLine().trimmed() : QByteArray();
    if (!line.startsWith("PORT ")) {
        FMessage = QStringLiteral("the FTP server did not start: %1").arg(QString::fromUtf8(line));
        Stop();
        return false;
    }
    FPort = quint16(line.mid(5).toUInt());
    return true;
}

QList<QJsonObject> TFtpServerFixture::Records() const
{
    QFile log(FDir.filePath(QStringLiteral("commands.jsonl")));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QList<QJsonObject> records;
    for (const QByteArray& line : log.readAll().split('\n')) {
        if (!line.isEmpty())
            records.append(QJsonDocument::fromJson(line).object());
    }
    return records;
}

QStringList TFtpServerFixture::Commands(const QString& command) const
{
    QStringList arguments;
    for (const QJsonObject& record : Records()) {
        if (record.value(QStringLiteral("cmd")).toString() == command)
            arguments << record.value(QStringLiteral("arg")).toString();
    }
    return arguments;
}

int TFtpServerFixture::Logins() const
{
    int count = 0;
    for (const QJsonObject& record : Records())
        count += record.contains(QStringLiteral("login")) ? 1 : 0;
    return count;
}

bool TFtpServerFixture::DropConnections()
{
    FProcess.write("drop\n");
    return testsupport::waitFor([this] { return FProcess.canReadLine(); }, StartTimeoutMs)
        && FProcess.readLine().trimmed() == "DROPPED";
}

void TFtpServerFixture::Stop()
{
    if (FProcess.state() == QProcess::NotRunning)
        return;
    FProcess.closeWriteChannel();
    if (!testsupport::waitFor([this] { return FProcess.state() == QProcess::NotRunning; }, StopTimeoutMs)) {
        FProcess.kill();
        FProcess.waitForFinished(StopTimeoutMs);
    }
}
