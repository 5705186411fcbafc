#include "tests/launcher/XvfbDisplay.h"

#include <QDeadlineTimer>

TXvfbDisplay::~TXvfbDisplay()
{
    if (FServer.state() == QProcess::NotRunning)
        return;
    FServer.terminate();
    if (!FServer.waitForFinished(5000))
        FServer.kill();
    FServer.waitForFinished(5000);
}

bool TXvfbDisplay::start()
{
    // -displayfd: the server takes the first free display and writes its number to stdout
    // once it accepts connections; -noreset keeps it from resetting when its last client leaves.
    FServer.setStandardErrorFile(QProcess::nullDevice());
    FServer.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                           QStringLiteral("0"), QStringLiteral("640x480x24"),
                                           QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                           QStringLiteral("-noreset")});
    if (!FServer.waitForStarted(5000))
        return false;
    const QDeadlineTimer deadline(15000);
    while (!FServer.canReadLine()) {
        if (deadline.hasExpired() || !FServer.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    bool isNumber = false;
    const int display = FServer.readLine().trimmed().toInt(&isNumber);
    if (!isNumber)
        return false;
    FName = ':' + QByteArray::number(display);
    return true;
}
