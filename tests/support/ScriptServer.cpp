#include "tests/support/ScriptServer.h"

#include "tests/support/WaitFor.h"

#include <QFile>
#include <QJsonDocument>

namespace {

constexpr int StartTimeoutMs = 20000;
constexpr int StopTimeoutMs = 10000;

} // namespace

TScriptServer::~TScriptServer()
{
    Stop();
}

quint16 TScriptServer::Start(const QString& script, const QStringList& arguments)
{
    FProcess.setProgram(QStringLiteral("/usr/bin/python3"));
    FProcess.setArguments(QStringList{QStringLiteral(ORVANTA_TEST_SERVERS_DIR "/") + script} + arguments);
    FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    FProcess.start();
    const bool answered = testsupport::waitFor(
        [this] { return FProcess.canReadLine() || FProcess.state() == QProcess::NotRunning; }, StartTimeoutMs);
    const QByteArray line = answered ? FProcess.readLine().trimmed() : QByteArray();
    if (!line.startsWith("PORT ")) {
        FMessage = QStringLiteral("%1 did not start: %2").arg(script, QString::fromUtf8(line));
        Stop();
        return 0;
    }
    return quint16(line.mid(5).toUInt());
}

void TScriptServer::Stop()
{
    if (FProcess.state() == QProcess::NotRunning)
        return;
    FProcess.closeWriteChannel();
    if (!testsupport::waitFor([this] { return FProcess.state() == QProcess::NotRunning; }, StopTimeoutMs)) {
        FProcess.kill();
        FProcess.waitForFinished(StopTimeoutMs);
    }
}

QList<QJsonObject> TScriptServer::ReadRecords(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QJsonObject> records;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            records.append(QJsonDocument::fromJson(line).object());
    }
    return records;
}
