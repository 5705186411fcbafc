#include "tests/support/BreakingRelay.h"

quint16 TBreakingRelay::Start(quint16 upstreamPort, int breaks, qint64 breakAfter, bool holding)
{
    QStringList arguments{QStringLiteral("--upstream"), QString::number(upstreamPort), QStringLiteral("--breaks"),
                          QString::number(breaks), QStringLiteral("--break-after"), QString::number(breakAfter),
                          QStringLiteral("--log"), FLogDir.filePath(QStringLiteral("connections.jsonl"))};
    if (holding)
        arguments << QStringLiteral("--hold");
    return FServer.Start(QStringLiteral("break_relay.py"), arguments);
}

void TBreakingRelay::ResetHeld()
{
    FServer.Process().write("reset\n");
    FServer.Process().waitForBytesWritten(1000);
}

QList<QJsonObject> TBreakingRelay::Connections() const
{
    return TScriptServer::ReadRecords(FLogDir.filePath(QStringLiteral("connections.jsonl")));
}

qint64 TBreakingRelay::BytesDown() const
{
    qint64 total = 0;
    for (const QJsonObject& connection : Connections())
        total += connection.value(QStringLiteral("down")).toInteger();
    return total;
}
