#include "webcopy/TransferLogLine.h"

QString TransferLogLine(const QDateTime& when, const QString& message)
{
    QString line = when.toString(QStringLiteral("hh:mm dd/MM/yyyy")) + QStringLiteral(" : ");
    line.reserve(line.size() + message.size() + 2);
    for (const QChar c : message) {
        const char16_t u = c.unicode();
        if (u == u'\\')
            line += QStringLiteral("\\\\");
        else if (u == u'\r')
            line += QStringLiteral("\\r");
        else if (u == u'\n')
            line += QStringLiteral("\\n");
        else if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029)
            line += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
        else
            line += c;
    }
    return line + QStringLiteral("\r\n");
}
