// The transfer log: one time-stamped line per call, for tracing FTP uploads.
#include "webcopy/WebCopy.h"

#include "webcopy/WebCopyIoError.h"

#include <QDateTime>
#include <QFile>

namespace {

constexpr qsizetype MaxLogNameLength = 259;

} // namespace

void TWebCopy::WriteLog(const QString& message)
{
    if (LogfileName.isEmpty())
        return;
    if (LogfileName.size() > MaxLogNameLength)
        throw TWebCopyIoError(WebCopyErrors::WriteFailed, QStringLiteral("Path not found: ") + LogfileName);
    // Opened for appending only: an existing log is never cut short, a missing one is made.
    QFile log(LogfileName);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    const QString line = QDateTime::currentDateTime().toString(QStringLiteral("hh:mm dd/MM/yyyy")) + QStringLiteral(" : ")
        + message + QStringLiteral("\r\n");
    const QByteArray bytes = line.toUtf8();
    if (log.write(bytes) != bytes.size() || !log.flush())
        throw TWebCopyIoError(WebCopyErrors::WriteFailed,
                              QStringLiteral("Cannot write to the log file ") + LogfileName + QStringLiteral(": ")
                                  + log.errorString());
}
