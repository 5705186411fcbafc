#include "bench/BenchServer.h"

TBenchServer::~TBenchServer()
{
    FProcess.closeWriteChannel();
    if (!FProcess.waitForFinished(5000))
        FProcess.kill();
    FProcess.waitForFinished();
}

bool TBenchServer::Start(const QString& script, const QStringList& arguments)
{
    FProcess.setProgram(QStringLiteral("/usr/bin/python3"));
    FProcess.setArguments(QStringList{QStringLiteral(ORVANTA_SOURCE_DIR "/tests/servers/") + script} + arguments);
    FProcess.start();
    if (!FProcess.waitForReadyRead(20000))
        return false;
    const QByteArray line = FProcess.readLine().trimmed();
    FPort = line.startsWith("PORT ") ? line.mid(5).toInt() : 0;
    return FPort > 0;
}
