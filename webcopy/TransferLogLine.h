#pragma once

#include <QDateTime>
#include <QString>

// One line of the transfer log: "hh:mm dd/MM/yyyy : message" and CR LF. Whatever the message
// holds, the result is exactly one line of valid UTF-8: line breaks and other control
// characters are written visibly (\r, \n, \t, \xNN for C0 and DEL, \uNNNN for C1 and the
// Unicode line and paragraph separators) and an unpaired surrogate becomes U+FFFD, so that no
// text (a local file name may hold a line feed) can add lines of its own.
QString TransferLogLine(const QDateTime& when, const QString& message);
// The message part of such a line: any text as one line of valid UTF-8 with its control
// characters visible, also for a name from a server that is shown or reported.
QString TransferLogText(const QString& message);
