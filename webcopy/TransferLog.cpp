#include "webcopy/TransferLog.h"

#include "webcopy/TransferLogLine.h"

#include <QDateTime>
#include <QFile>

TTransferLog::TTransferLog(const QString& fileName)
    : FFileName(fileName)
{
}

TTransferLog::~TTransferLog() = default;

void TTransferLog::Write(const QString& message)
{
    if (!Enabled())
        return;
    if (!FFile) {
        // Opened for appending only: an existing log is never cut short, a missing one is made.
        FFile = std::make_unique<QFile>(FFileName);
        if (!FFile->open(QIODevice::WriteOnly | QIODevice::Append)) {
            FGivenUp = true;
            return;
        }
    }
    const QByteArray bytes = TransferLogLine(QDateTime::currentDateTime(), message).toUtf8();
    if (FFile->write(bytes) != bytes.size() || !FFile->flush())
        FGivenUp = true;
}
