#pragma once

#include <QDateTime>
#include <QString>

// One line of the transfer log: "hh:mm dd/MM/yyyy : message" and CR LF. Line breaks and other
// control characters in the message are written as visible escapes (\r, \n, \xNN), so one call
// is always exactly one line and no message can forge another.
QString TransferLogLine(const QDateTime& when, const QString& message);
